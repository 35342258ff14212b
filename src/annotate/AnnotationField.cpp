#include "AnnotationField.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tavril {

void AnnotationField::SetText(const std::string& text)
{
    m_text = text;
    m_numberCurrent = false;
}

void AnnotationField::SetNumber(double value)
{
    m_number = value;
    m_numberCurrent = true;
}

std::string AnnotationField::Text() const { return m_numberCurrent ? FormatFixed(m_number, 5) : m_text; }

double AnnotationField::Number() const
{
    if (m_numberCurrent) return m_number;
    double v = 0;
    if (!m_text.empty() && ParseDecimal(m_text, v)) return v;
    return m_numberCurrent ? m_number : 0.0;
}

bool ParseDecimal(const std::string& text, double& value)
{
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r')) --e;
    if (b < e && text[b] == '+') ++b;
    if (b == e) return false;
    double v = 0;
    const auto r = std::from_chars(text.data() + b, text.data() + e, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != text.data() + e || !std::isfinite(v)) return false;
    value = v;
    return true;
}

std::string FormatFixed(double value, int decimals)
{
    char buf[512];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return "0";
    return std::string(buf, r.ptr);
}

std::string FormatExact(double value, int minDecimals)
{
    std::string s = FormatFixed(value, minDecimals);
    double back = 0;
    if (ParseDecimal(s, back) && back == value) return s;
    char buf[512];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : s;
}

} // namespace tavril

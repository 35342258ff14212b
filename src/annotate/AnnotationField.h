#pragma once
// AnnotationField: one further named column of an annotation record (a
// "species" column, a Raven measurement, a TextGrid tier name). It holds a
// text and a number; whichever was set last is the current value. Plain
// value type; one thread at a time.

#include <string>

namespace tavril {

class AnnotationField {
public:
    explicit AnnotationField(std::string key = {}) : m_key(std::move(key)) {}

    const std::string& Key() const { return m_key; }
    void SetText(const std::string& text);
    void SetNumber(double value);
    bool IsNumber() const { return m_numberCurrent; }
    // A current number reads as text with five decimals ("%5.5lf").
    std::string Text() const;
    // A current, non-empty text reads as a decimal number (0 when it is not one).
    double Number() const;

private:
    std::string m_key;
    std::string m_text;
    double m_number = 0;
    bool m_numberCurrent = false;
};

// Reads a decimal number with '.' whatever the process locale; returns false
// when `text` (blanks around it allowed) is not a whole number.
bool ParseDecimal(const std::string& text, double& value);
// Fixed-point text with '.' whatever the process locale ("%.*f").
std::string FormatFixed(double value, int decimals);
// The shortest fixed-point text that reads back as the same double, with at
// least `minDecimals` decimals: "%f"-like for values that fit, more digits
// where six decimals would lose part of a value read from elsewhere.
std::string FormatExact(double value, int minDecimals);

} // namespace tavril

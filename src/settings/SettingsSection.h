#pragma once
// SettingsSection: the keys of one settings record, described once, in file
// order, as (key text, member). The one description drives both directions:
// Save writes every key in order, Load reads every key with the member's
// current value as default and stores the result back, so a missing key
// leaves its member as it was and the two directions cannot drift apart.
//
// How a member is stored follows its type: int as an integer, long as a long,
// bool as the integer 0 or 1 (any non-zero reads as true), float as the
// store's real, double narrowed to that same real, std::string as text.
//
// Ownership: a description holds only key texts (which must outlive it, in
// practice string literals) and member pointers; it is built once per record
// type and shared. Threading: immutable after construction, so any thread;
// the file calls follow SettingsStore.

#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

namespace tavril {

namespace settings_detail {
// One typed key, dispatched on the member's type. Write returns the store's
// 1/0; Read returns the stored value or the current one.
int WriteKey(const std::string& file, const std::string& section, const char* key, int value);
int WriteKey(const std::string& file, const std::string& section, const char* key, long value);
int WriteKey(const std::string& file, const std::string& section, const char* key, bool value);
int WriteKey(const std::string& file, const std::string& section, const char* key, float value);
int WriteKey(const std::string& file, const std::string& section, const char* key, double value);
int WriteKey(const std::string& file, const std::string& section, const char* key, const std::string& value);
void ReadKey(const std::string& file, const std::string& section, const char* key, int& value);
void ReadKey(const std::string& file, const std::string& section, const char* key, long& value);
void ReadKey(const std::string& file, const std::string& section, const char* key, bool& value);
void ReadKey(const std::string& file, const std::string& section, const char* key, float& value);
void ReadKey(const std::string& file, const std::string& section, const char* key, double& value);
void ReadKey(const std::string& file, const std::string& section, const char* key, std::string& value);
} // namespace settings_detail

template <class Owner>
class SettingsSection {
public:
    using Member = std::variant<int Owner::*, long Owner::*, bool Owner::*, float Owner::*, double Owner::*,
                                std::string Owner::*>;
    struct Key {
        const char* name;
        Member member;
    };

    SettingsSection(std::initializer_list<Key> keys) : m_keys(keys) {}

    // Writes every key in order, going on past a failed write; 1 when all
    // succeeded, else 0. Empty file: the default settings file.
    int Save(const std::string& file, const std::string& section, const Owner& owner) const
    {
        int ok = 1;
        for (const Key& k : m_keys)
            std::visit([&](auto member) { ok &= settings_detail::WriteKey(file, section, k.name, owner.*member); },
                       k.member);
        return ok;
    }

    void Load(const std::string& file, const std::string& section, Owner& owner) const
    {
        for (const Key& k : m_keys)
            std::visit([&](auto member) { settings_detail::ReadKey(file, section, k.name, owner.*member); },
                       k.member);
    }

private:
    std::vector<Key> m_keys;
};

} // namespace tavril

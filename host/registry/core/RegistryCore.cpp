#include "host/registry/core/RegistryCore.h"

#include <utility>

namespace host::registry {

namespace {

bool holdsNul(TextView name)
{
    return name.find(u'\0') != TextView::npos;
}

Text toText(const std::string& ascii)
{
    return Text(ascii.begin(), ascii.end());
}

Text refusalText(const Refusal& refusal)
{
    const auto tooLong = [&](const char* what, const char* unit) {
        return toText(std::string(what) + " is " + std::to_string(refusal.length) + " " + unit
                      + " long; the registry allows at most " + std::to_string(refusal.limit));
    };
    switch (refusal.kind) {
    case Refusal::KeyNameTooLong: return tooLong("the key name", "characters");
    case Refusal::ValueNameTooLong: return tooLong("the value name", "characters");
    case Refusal::ValueTooLong: return tooLong("the value", "UTF-16 code units (2 bytes each)");
    case Refusal::NulInKeyName: return u"the key name holds a NUL character, which ends a name in the registry";
    case Refusal::NulInValueName: return u"the value name holds a NUL character, which ends a name in the registry";
    case Refusal::None: break;
    }
    return {};
}

} // namespace

Refusal checkKeyPath(const KeyPath& key)
{
    for (const Text& name : key) {
        if (name.size() > MaxKeyNameLength)
            return {Refusal::KeyNameTooLong, name.size(), MaxKeyNameLength, name};
        if (holdsNul(name))
            return {Refusal::NulInKeyName, 0, 0, name};
    }
    return {};
}

Refusal checkValue(TextView name, TextView value)
{
    if (name.size() > MaxValueNameLength)
        return {Refusal::ValueNameTooLong, name.size(), MaxValueNameLength, {}};
    if (holdsNul(name))
        return {Refusal::NulInValueName, 0, 0, {}};
    if (value.size() > MaxValueLength)
        return {Refusal::ValueTooLong, value.size(), MaxValueLength, {}};
    return {};
}

void requireWritable(const Text& store, const Action& action, const KeyPath& key)
{
    if (Refusal refusal = checkKeyPath(key))
        throw Error(store, action, Error::Refused, 0, refusalText(refusal), std::move(refusal));
}

void requireWritable(const Text& store, const Action& action, const KeyPath& key, TextView name, TextView value)
{
    requireWritable(store, action, key);
    if (Refusal refusal = checkValue(name, value))
        throw Error(store, action, Error::Refused, 0, refusalText(refusal), std::move(refusal));
}

Error::Error(Text store, const Action& action, Cause cause, long code, Text message, Refusal refusal)
    : m_store(std::move(store))
    , m_verb(action.verb)
    , m_key(action.key ? *action.key : KeyPath())
    , m_name(action.name ? Text(*action.name) : Text())
    , m_hasKey(action.key != nullptr)
    , m_hasName(action.name != nullptr)
    , m_cause(cause)
    , m_code(code)
    , m_message(std::move(message))
    , m_refusal(std::move(refusal))
{
    // Registry store "<store>": cannot <verb> "<name>" in key "<key>": <message>
    constexpr std::size_t Shown = 60;
    m_what = "Registry store \"" + toUtf8(m_store) + "\": cannot " + m_verb;
    if (m_hasName) {
        m_what += " \"" + toUtf8(TextView(m_name).substr(0, Shown)) + (m_name.size() > Shown ? "\u2026\"" : "\"");
        if (m_hasKey)
            m_what += " in";
    }
    if (m_hasKey)
        m_what += " key \"" + toUtf8(joinKey(m_key)) + "\"";
    m_what += ": " + toUtf8(m_message);
}

std::string toUtf8(TextView text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xd800 && c < 0xdc00 && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] < 0xe000)
            c = 0x10000 + ((c - 0xd800) << 10) + (text[++i] - 0xdc00);
        else if (c >= 0xd800 && c < 0xe000)
            c = 0xfffd;
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xc0 | (c >> 6));
            out += char(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += char(0xe0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        } else {
            out += char(0xf0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3f));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        }
    }
    return out;
}

Text fromUtf8(std::string_view text)
{
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t at) {
            return at < text.size() ? unsigned(static_cast<unsigned char>(text[at])) : 0u;
        };
        const unsigned lead = byte(i);
        const int trailing = lead < 0x80  ? 0
            : lead >= 0xf0 && lead < 0xf5 ? 3
            : lead >= 0xe0                ? 2
            : lead >= 0xc2                ? 1
                                          : -1;
        char32_t c = trailing == 0 ? lead : trailing == 1 ? lead & 0x1f : trailing == 2 ? lead & 0x0f : lead & 0x07;
        bool valid = trailing >= 0;
        for (int k = 1; valid && k <= trailing; ++k) {
            valid = (byte(i + k) & 0xc0) == 0x80;
            c = (c << 6) | (byte(i + k) & 0x3f);
        }
        const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        valid = valid && c >= least[trailing] && c <= 0x10ffff && (c < 0xd800 || c >= 0xe000);
        if (!valid) {
            out += u'\ufffd';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out += char16_t(0xd800 + ((c - 0x10000) >> 10));
            out += char16_t(0xdc00 + ((c - 0x10000) & 0x3ff));
        } else {
            out += char16_t(c);
        }
        i += std::size_t(trailing) + 1;
    }
    return out;
}

Text joinKey(const KeyPath& key)
{
    Text path;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (i > 0)
            path += u'\\';
        path += key[i];
    }
    return path;
}

} // namespace host::registry

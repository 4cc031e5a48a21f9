#include "db/odbc/OdbcText.h"

#include "db/Text.h"

namespace qdt::db::odbc {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void PutWide(WideText& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<SQLWCHAR>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<SQLWCHAR>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<SQLWCHAR>(cp));
    }
}

void PutUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

WideText ToWide(std::string_view s) {
    WideText out;
    out.reserve(s.size() + 1);
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        int extra;
        char32_t cp;
        if (b < 0x80) {
            extra = 0;
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
        } else {
            PutWide(out, kReplacement);
            ++i;
            continue;
        }
        bool ok = true;
        std::size_t j = 1;
        for (; ok && j <= static_cast<std::size_t>(extra); ++j) {
            if (i + j >= s.size() || (static_cast<unsigned char>(s[i + j]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + j]) & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            PutWide(out, kReplacement);
            i += ok ? extra + 1 : j;
            continue;
        }
        PutWide(out, cp);
        i += extra + 1;
    }
    out.push_back(0);
    return out;
}

void AppendFromWide(std::string& out, const SQLWCHAR* text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        char32_t u = text[i];
        if (u < 0x80) {
            out += static_cast<char>(u);
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            PutUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            PutUtf8(out, kReplacement);
        } else {
            PutUtf8(out, u);
        }
    }
}

std::string RepairedUtf8(std::string text) {
    if (ValidUtf8Prefix(text) == text.size()) return text;
    const WideText wide = ToWide(text);
    return FromWide(wide.data(), wide.size() - 1);
}

std::string FromWide(const SQLWCHAR* text, std::size_t count) {
    std::string out;
    out.reserve(count);
    AppendFromWide(out, text, count);
    return out;
}

}  // namespace qdt::db::odbc

#include "phdtime.h"

#include <cctype>

std::string MaskTime(std::string const& phd) {
    std::size_t at = phd.find("\nTIME: ");
    if (at == std::string::npos) return phd;
    std::size_t end = phd.find('\n', at + 1);
    return phd.substr(0, at) + "\nTIME: *" + phd.substr(end);
}

std::string TimeOf(std::string const& phd) {
    std::size_t at = phd.find("\nTIME: ");
    if (at == std::string::npos) return "";
    at += 7;
    return phd.substr(at, phd.find('\n', at) - at);
}

bool IsDateText(std::string const& text) {
    char const* layout = "Aaa Aaa _9 99:99:99 9999";
    if (text.size() != std::string(layout).size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool fits = layout[i] == 'A'   ? std::isupper(c)
                    : layout[i] == 'a' ? std::islower(c)
                    : layout[i] == '9' ? std::isdigit(c)
                    : layout[i] == '_' ? c == ' ' || std::isdigit(c)
                                       : c == static_cast<unsigned char>(layout[i]);
        if (!fits) return false;
    }
    return true;
}

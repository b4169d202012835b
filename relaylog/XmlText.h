// Text from a record put into the XML that relaylog writes (the JUnit report,
// the HTML page). The reader has already escaped what is not ASCII.
#ifndef RELAYLOG_XMLTEXT_H
#define RELAYLOG_XMLTEXT_H

#include <string>

namespace relaylog {

// Text as character data or an attribute value. XML 1.0 cannot carry the
// control characters below a blank: they are left out, but for tabs, and for
// line feeds where the caller keeps them.
inline std::string XmlEscaped(const std::string& text, bool keepLineFeeds = false)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || (keepLineFeeds && c == '\n'))
                out += c;
        }
    }
    return out;
}

}  // namespace relaylog

#endif

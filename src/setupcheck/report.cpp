#include "setupcheck/report.h"

#include <stdio.h>

namespace {
int Count(const std::vector<Diagnostic>& found, Severity level) {
    int n = 0;
    for (const Diagnostic& d : found) n += d.Level == level ? 1 : 0;
    return n;
}
}  // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string FormatDiagnostics(const std::string& scriptShown, const std::vector<Diagnostic>& found) {
    std::string out;
    for (const Diagnostic& d : found) {
        out += scriptShown;
        if (d.Line != 0) out += ":" + std::to_string(d.Line);
        out += std::string(": ") + SeverityName(d.Level) + ": " + d.Text + " [" + d.Code + "]\n";
    }
    return out;
}

std::string FormatDiagnosticsJson(const std::string& scriptShown, const std::vector<Diagnostic>& found) {
    std::string out = "{\"script\": " + JsonString(scriptShown) + ", \"diagnostics\": [";
    for (size_t i = 0; i < found.size(); ++i) {
        const Diagnostic& d = found[i];
        out += i ? ",\n  " : "\n  ";
        out += "{\"line\": " + std::to_string(d.Line) + ", \"severity\": \"" + SeverityName(d.Level) +
               "\", \"text\": " + JsonString(d.Text) + ", \"code\": \"" + d.Code + "\"}";
    }
    out += found.empty() ? "]" : "\n]";
    out += ", \"errors\": " + std::to_string(Count(found, SeverityError)) +
           ", \"warnings\": " + std::to_string(Count(found, SeverityWarning)) +
           ", \"notes\": " + std::to_string(Count(found, SeverityNote)) + "}\n";
    return out;
}

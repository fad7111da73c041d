// How setupcheck prints its findings: one line each in the form editors and CI
// systems read, or JSON for programs.
#pragma once

#include <string>
#include <vector>

#include "setupcheck/diagnostics.h"

// "SCRIPT:LINE: error|warning|note: text [code]" lines.
std::string FormatDiagnostics(const std::string& scriptShown, const std::vector<Diagnostic>& found);
// {"script": ..., "diagnostics": [{"line", "severity", "text", "code"}...], "errors", "warnings", "notes"}
std::string FormatDiagnosticsJson(const std::string& scriptShown, const std::vector<Diagnostic>& found);
// Text as a JSON string literal.
std::string JsonString(const std::string& text);

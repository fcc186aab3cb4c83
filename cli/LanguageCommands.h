#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// celwright-cli language-template: the built-in English texts as a language file for translators.
extern const char* const kLanguageTemplateHelp;
int RunLanguageTemplate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

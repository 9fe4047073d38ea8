// The suite's help: topics of "Pakdex.chm" beside the running program.
#pragma once
#include <string>

// "<folder of programPath>\Pakdex.chm::/<topic>", or "Pakdex.chm::/<topic>"
// when the path has no backslash.
std::string HelpTopicBeside(const std::string& programPath, const std::string& topic);
// Opens `topic` (as HelpTopicBeside gives it for the running program) without an
// owner window; the HTML help viewer is loaded only when asked for.
void ShowHelpTopic(const std::string& topic);

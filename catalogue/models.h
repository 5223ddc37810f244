// A monitor names nothing: what its choices are called comes from model
// descriptions, JSON files {"model": "<monitor-name as read>", "choices":
// {"<setting>": {"<choice-name>": value, ...}, ...}}. They name the bits of
// the one-bit settings and the values of the enumerations; a choice name is
// lower-case letters, digits and dashes.
#pragma once

#include <string>
#include <vector>

#include "catalogue/value_rules.h"

namespace vemo::catalogue {

// Where descriptions are looked for, first first: $XDG_CONFIG_HOME/vemo/models
// (~/.config by default), the directories the program added, then
// vemo/models under each of $XDG_DATA_DIRS (/usr/local/share:/usr/share).
std::vector<std::string> modelDirectories();

// Adds directories given relative to the running program's own directory
// (where it finds the descriptions it ships, built or installed).
void addModelDirectoriesBesideProgram(const std::vector<std::string>& relative);

// The choices the first description of `model` names: empty when no
// description names the model. A file that is not a valid description, and
// entries that name no choice setting or a value it does not accept, are
// reported on stderr once and passed over.
ModelChoices choicesForModel(const std::string& model);

// The choices every description found names, merged (for completion).
ModelChoices everyDescribedChoice();

// The description's choices checked: a problem found is added to `problems`.
ModelChoices checkedChoices(const Json& description, std::vector<std::string>& problems);

}  // namespace vemo::catalogue

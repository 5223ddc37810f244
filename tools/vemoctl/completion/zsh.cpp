// The zsh completion script: the same walk over the words as in bash, with
// zsh's arrays and compadd.
#include "tools/vemoctl/completion/model.h"

namespace vemoctl {
namespace {

std::string entry(const std::string& key, const std::string& value) {
  return "  '" + key + "' '" + value + "'\n";
}

std::string table(const char* name, const Table& rows) {
  std::string out = std::string("typeset -gA ") + name + "\n" + name + "=(\n";
  for (const auto& [key, value] : rows) out += entry(key, value);
  return out + ")\n";
}

constexpr const char* kFunction = R"(
local cur="${words[CURRENT]}" prev="${words[CURRENT-1]}" cmdpath=vemoctl word i
local -a positionals
for ((i = 2; i < CURRENT; i++)); do
  word="${words[i]}"
  if (( ${+_vemoctl_option_values[$word]} )); then
    ((i++))
  elif [[ $word == -* ]]; then
    :
  elif [[ " ${_vemoctl_subcommands[$cmdpath]} " == *" $word "* ]]; then
    cmdpath="$cmdpath $word"
  else
    positionals+=("$word")
  fi
done
if (( ${+_vemoctl_option_values[$prev]} )); then
  case "${_vemoctl_option_values[$prev]}" in
    @file) _files ;;
    @any) ;;
    *) compadd -- ${=_vemoctl_option_values[$prev]} ;;
  esac
  return
fi
if [[ $cur == -* ]]; then
  compadd -- ${=_vemoctl_options[vemoctl]} ${=_vemoctl_options[$cmdpath]}
  return
fi
local candidates="${_vemoctl_subcommands[$cmdpath]}" arguments="${_vemoctl_arguments[$cmdpath]}"
case "$arguments" in
  files) _files; return ;;
  settings) candidates="$_vemoctl_readable" ;;
  pairs)
    if (( ${#positionals} % 2 == 0 )); then
      candidates="$_vemoctl_writable"
    else
      candidates="${_vemoctl_setting_values[${positionals[-1]}]}"
    fi
    ;;
  choices\ *) candidates="$candidates ${arguments#choices }" ;;
esac
compadd -- ${=candidates}
)";

}  // namespace

std::string zshCompletion(const CompletionModel& model) {
  return "#compdef vemoctl\n# zsh completion for vemoctl, written by `vemoctl completion zsh`.\n" +
         completionTables(model, table, "typeset -g ") + kFunction;
}

}  // namespace vemoctl

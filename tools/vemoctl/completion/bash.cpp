// The bash completion script: the model as associative arrays and one
// function that walks the words typed so far.
#include "tools/vemoctl/completion/model.h"

namespace vemoctl {
namespace {

std::string entry(const std::string& key, const std::string& value) {
  return "  [\"" + key + "\"]=\"" + value + "\"\n";
}

std::string table(const char* name, const Table& rows) {
  std::string out = std::string("declare -gA ") + name + "=(\n";
  for (const auto& [key, value] : rows) out += entry(key, value);
  return out + ")\n";
}

constexpr const char* kFunction = R"(
_vemoctl() {
  local cur="${COMP_WORDS[COMP_CWORD]}" prev="${COMP_WORDS[COMP_CWORD-1]}"
  local path=vemoctl word i
  local -a positionals=()
  for ((i = 1; i < COMP_CWORD; i++)); do
    word="${COMP_WORDS[i]}"
    if [[ -n "${_vemoctl_option_values[$word]+set}" ]]; then
      ((i++))
    elif [[ $word == -* ]]; then
      :
    elif [[ " ${_vemoctl_subcommands[$path]} " == *" $word "* ]]; then
      path="$path $word"
    else
      positionals+=("$word")
    fi
  done
  COMPREPLY=()
  if [[ -n "${_vemoctl_option_values[$prev]+set}" ]]; then
    case "${_vemoctl_option_values[$prev]}" in
      @file) mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
      @any) ;;
      *) mapfile -t COMPREPLY < <(compgen -W "${_vemoctl_option_values[$prev]}" -- "$cur") ;;
    esac
    return 0
  fi
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "${_vemoctl_options[vemoctl]} ${_vemoctl_options[$path]}" -- "$cur")
    return 0
  fi
  local words="${_vemoctl_subcommands[$path]}" arguments="${_vemoctl_arguments[$path]}"
  case "$arguments" in
    files) mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return 0 ;;
    settings) words="$_vemoctl_readable" ;;
    pairs)
      if ((${#positionals[@]} % 2 == 0)); then
        words="$_vemoctl_writable"
      else
        words="${_vemoctl_setting_values[${positionals[-1]}]}"
      fi
      ;;
    choices\ *) words="$words ${arguments#choices }" ;;
  esac
  mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
  return 0
}
complete -F _vemoctl vemoctl
)";

}  // namespace

std::string bashCompletion(const CompletionModel& model) {
  return "# bash completion for vemoctl, written by `vemoctl completion bash`.\n" +
         completionTables(model, table, "") + kFunction;
}

}  // namespace vemoctl

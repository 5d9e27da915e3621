# Bash completion for memtally, installed as
# share/bash-completion/completions/memtally.
#
# Completes the options, the project names of the current directory (its
# *.bxp files, without the extension), after -t the routines that the
# BASIC modules of the current directory define, and after --annotations
# the annotation files (*.mta) and directories. Nothing is offered after
# the project name, since memtally does not interpret what follows it.

# Prints the names of the Subs and Functions defined in the *.bas files of
# the current directory, one per line: a project's few modules are read in
# one pass of sed.
_memtally_routines() {
  local file files=()
  for file in *.[bB][aA][sS]; do
    [[ -f $file ]] && files+=("$file")
  done
  ((${#files[@]} > 0)) || return 0
  LC_ALL=C sed -n -E \
    's/^[[:space:]]*((public|private)[[:space:]]+)?(sub|function)[[:space:]]+([A-Za-z][A-Za-z0-9_.]*).*/\4/Ip' \
    -- "${files[@]}" 2>/dev/null
}

_memtally() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  local i
  COMPREPLY=()
  # Walk the words before the one being completed: once the project name has
  # been given there is nothing more to complete.
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      -t | -T | --budget | --annotations)
        # The value follows as the next word, or after an '=' word, since
        # bash splits --budget=400 at the '='.
        ((i++))
        [[ ${COMP_WORDS[i]} == = ]] && ((i++))
        ;;
      -* | =) ;;
      *) return 0 ;;
    esac
  done
  # After "--annotations=" bash gives "=" as the previous word.
  local option=$prev
  if [[ $prev == = && COMP_CWORD -ge 2 ]]; then
    option=${COMP_WORDS[COMP_CWORD - 2]}
  fi
  case $option in
    --annotations)
      mapfile -t COMPREPLY < <(compgen -f -X '!*.[mM][tT][aA]' -- "$cur"; compgen -d -- "$cur")
      return 0
      ;;
  esac
  case $prev in
    -t | -T)
      mapfile -t COMPREPLY < <(compgen -W "$(_memtally_routines)" -- "$cur")
      return 0
      ;;
    --budget | =)
      return 0 # a number of bytes
      ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W \
      "-c -d -u -t --budget --bound --annotations --path --tasks --check --json --dot
      --help --version" \
      -- "$cur")
    return 0
  fi
  local project
  while IFS= read -r project; do
    COMPREPLY+=("${project%.bxp}")
  done < <(compgen -G "$cur*.bxp")
  return 0
}

complete -F _memtally memtally

# bash completion for quillon-cli: commands, options, the folders ROOT and DEST, and the clip
# names of the unit at ROOT (from `quillon-cli list ROOT --json`).

# The word as the shell will pass it (quotes and backslashes removed, ~ expanded), when that
# can be done without running anything; otherwise the word itself.
_quillon_cli_unquote() {
  local safe='^[^$`;|&<>()]*$'
  REPLY=$1
  if [[ $1 =~ $safe ]]; then
    eval "REPLY=$1" 2>/dev/null || REPLY=$1
  fi
}

# Folder or file names: bash-completion's own helper where it is loaded (it copes with quotes).
_quillon_cli_paths() {  # _quillon_cli_paths -d|-f WORD
  if declare -F _filedir >/dev/null; then
    if [[ $1 == -d ]]; then _filedir -d; else _filedir; fi
  else
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen "$1" -- "$2"))
  fi
}

_quillon_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  local command=${COMP_WORDS[1]}
  # bash splits --overwrite=all into three words: complete the value after the "=".
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]]; then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi

  if ((COMP_CWORD == 1)); then
    COMPREPLY=($(compgen -W 'drives list import --help --version' -- "$cur"))
    return
  fi

  case $prev in
    --overwrite)
      COMPREPLY=($(compgen -W 'ask all none' -- "$cur"))
      return ;;
    --prefix | --retries)
      return ;;
    --manifest)
      _quillon_cli_paths -f "$cur"
      return ;;
    --dest | --copy-to)
      _quillon_cli_paths -d "$cur"
      return ;;
  esac

  local options
  case $command in
    drives) options='--json' ;;
    list) options='--json --no-hdv --no-dv --dest --check --prefix' ;;
    import) options='--no-hdv --no-dv --prefix --overwrite --no-verify --manifest --rescue --retries --dry-run
                     --new --check --copy-to --mhl -q --quiet --json' ;;
    *) return ;;
  esac

  # The arguments before this word that are not options: ROOT, DEST, clip names.
  local -a positional=()
  local -a scan=()
  local i word ended=
  for ((i = 2; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ -n $ended || $word != -* ]]; then
      positional+=("$word")
    elif [[ $word == -- ]]; then
      ended=1
    elif [[ $word == --no-hdv || $word == --no-dv ]]; then
      scan+=("$word")
    elif [[ $word == --prefix || $word == --overwrite || $word == --manifest || $word == --retries ||
            $word == --dest || $word == --copy-to ]]; then
      ((i++))
      [[ ${COMP_WORDS[i]} == = ]] && ((i++))
    fi
  done

  if [[ -z $ended && $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return
  fi

  case $command:${#positional[@]} in
    list:0 | import:0 | import:1)
      _quillon_cli_paths -d "$cur"
      ;;
    import:*)
      local REPLY cli names
      _quillon_cli_unquote "${COMP_WORDS[0]}"
      cli=$REPLY
      _quillon_cli_unquote "${positional[0]}"
      names=$("$cli" list "${scan[@]}" --json -- "$REPLY" 2>/dev/null |
        grep -o '{"name": "[^"\\]*"' | cut -d'"' -f4)
      COMPREPLY=($(compgen -W "$names" -- "$cur"))
      ;;
  esac
}

complete -F _quillon_cli quillon-cli

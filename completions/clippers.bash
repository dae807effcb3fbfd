# bash completion for clippers                             -*- shell-script -*-
# Options, then file names for FILE.  --context, --timeout and --suffix take
# free text, so nothing is offered for their values; --check takes a command,
# so command names are offered for it.  Every option may be given once, so
# none is offered again; after `--` only file names are offered.

_clippers() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} i
    COMPREPLY=()

    # bash splits `--context=value` at the `=` (COMP_WORDBREAKS), so the value
    # may stand one or two words after its option.
    local option=$prev
    [[ $prev == = ]] && option=${COMP_WORDS[COMP_CWORD-2]}
    case $option in
    --context | --timeout | --suffix) return ;;
    --check)
        mapfile -t COMPREPLY < <(compgen -c -- "$cur")
        return
        ;;
    esac

    local options=1 given=' '
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        --) options=0 ;;
        --context | --timeout | --suffix | --check)
            given+="${COMP_WORDS[i]} "
            # Its value is no option, whatever it looks like.
            [[ ${COMP_WORDS[i+1]-} == = ]] && ((i++))
            ((i++))
            ;;
        --yes | --json | --require-save) given+="${COMP_WORDS[i]} " ;;
        esac
        ((options)) || break
    done
    if ((options)) && [[ $cur == -* ]]; then
        local offer=() option
        for option in --context --yes --json --timeout --require-save --suffix --check -h --help -V --version; do
            [[ $given == *" $option "* ]] || offer+=("$option")
        done
        mapfile -t COMPREPLY < <(compgen -W "${offer[*]}" -- "$cur")
        return
    fi
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}
complete -o filenames -F _clippers clippers

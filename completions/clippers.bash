# bash completion for clippers                             -*- shell-script -*-
# Options, then file names for FILE.  --context takes free text, so nothing is
# offered for its value; --context and --yes may be given once, so they are
# not offered again; after `--` only file names are offered.

_clippers() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} i
    COMPREPLY=()

    # bash splits `--context=value` at the `=` (COMP_WORDBREAKS), so the value
    # may stand one or two words after --context.
    if [[ $prev == --context ]] ||
        [[ $prev == = && ${COMP_WORDS[COMP_CWORD-2]} == --context ]]; then
        return
    fi

    local options=1 given=' '
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        --) options=0 ;;
        --context)
            given+='--context '
            # Its value is no option, whatever it looks like.
            [[ ${COMP_WORDS[i+1]-} == = ]] && ((i++))
            ((i++))
            ;;
        --yes) given+='--yes ' ;;
        esac
        ((options)) || break
    done
    if ((options)) && [[ $cur == -* ]]; then
        local offer=() option
        for option in --context --yes -h --help -V --version; do
            [[ $given == *" $option "* ]] || offer+=("$option")
        done
        mapfile -t COMPREPLY < <(compgen -W "${offer[*]}" -- "$cur")
        return
    fi
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}
complete -o filenames -F _clippers clippers

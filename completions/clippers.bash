# bash completion for clippers                             -*- shell-script -*-
# Options, then file names for FILE.  --context takes free text, so nothing is
# offered for its value; after `--` only file names are offered.

_clippers() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} i
    COMPREPLY=()

    # bash splits `--context=value` at the `=` (COMP_WORDBREAKS), so the value
    # may stand one or two words after --context.
    if [[ $prev == --context ]] ||
        [[ $prev == = && ${COMP_WORDS[COMP_CWORD-2]} == --context ]]; then
        return
    fi

    local options=1
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -- ]] && options=0
    done
    if ((options)) && [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--context --yes -h --help -V --version' -- "$cur")
        return
    fi
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}
complete -o filenames -F _clippers clippers

# fish completion for clippers.  FILE completes to file names (fish's default);
# --context takes free text, so -x turns file names off for its value.
complete -c clippers -l context -x -d 'Optional context shown as a footer comment in the editor buffer'
complete -c clippers -l yes -d 'Approve the input as-is without opening an editor'
complete -c clippers -s h -l help -d 'Print help'
complete -c clippers -s V -l version -d 'Print version'

# fish completion for clippers.  FILE completes to file names (fish's default).
# --context and --yes may be given once, so they are offered only while not
# on the line yet (--context also as --context=VALUE); --context takes free
# text, so -x turns file names off for its value, also once the option itself
# is no longer offered.
complete -c clippers -l context -x -n 'not string match -qr -- "^--context(=|\$)" (commandline -opc)' \
    -d 'Optional context shown as a footer comment in the editor buffer'
complete -c clippers -x -n 'test (commandline -opc)[-1] = --context'
complete -c clippers -l yes -n 'not contains -- --yes (commandline -opc)' \
    -d 'Approve the input as-is without opening an editor'
complete -c clippers -s h -l help -d 'Print help'
complete -c clippers -s V -l version -d 'Print version'

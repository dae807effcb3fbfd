# fish completion for clippers.  FILE completes to file names (fish's default).
# Every option may be given once, so each is offered only while not on the
# line yet (a value option also as --NAME=VALUE).  --context, --timeout and
# --suffix take free text, so -x turns file names off for their values, also
# once the option itself is no longer offered; --check takes a command.
function __clippers_not_given -a option
    not string match -qr -- "^--$option(=|\$)" (commandline -opc)
end
function __clippers_after -a option
    test (commandline -opc)[-1] = --$option
end
complete -c clippers -l context -x -n '__clippers_not_given context' \
    -d 'Optional context shown as a footer comment in the editor buffer'
complete -c clippers -l yes -n '__clippers_not_given yes' \
    -d 'Approve the input as-is without opening an editor'
complete -c clippers -l json -n '__clippers_not_given json' \
    -d 'Print the outcome as one JSON object on stdout'
complete -c clippers -l timeout -x -n '__clippers_not_given timeout' \
    -d 'Give up when no decision is made within DURATION'
complete -c clippers -l require-save -n '__clippers_not_given require-save' \
    -d 'Approve only if the draft was saved in the editor'
complete -c clippers -l suffix -x -n '__clippers_not_given suffix' \
    -d "Append SUFFIX to the draft file's name"
complete -c clippers -l check -x -a '(__fish_complete_command)' -n '__clippers_not_given check' \
    -d 'Run COMMAND on the approved content; reopen the editor while it fails'
complete -c clippers -x -n '__clippers_after context; or __clippers_after timeout; or __clippers_after suffix'
complete -c clippers -x -a '(__fish_complete_command)' -n '__clippers_after check'
complete -c clippers -s h -l help -d 'Print help'
complete -c clippers -s V -l version -d 'Print version'

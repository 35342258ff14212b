# bash completion for tavril-cli: sub-commands from the program's own help,
# then the options listed in that command's help, then file names.
_tavril_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prog=${COMP_WORDS[0]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        local commands
        commands=$("$prog" help 2>/dev/null | awk '/^Commands:/ {on=1; next} on && /^  [a-z]/ {print $1}')
        COMPREPLY=($(compgen -W "$commands help" -- "$cur"))
        return 0
    fi
    local command=${COMP_WORDS[1]}
    if [ "$command" = help ] && [ "$COMP_CWORD" -eq 2 ]; then
        local commands
        commands=$("$prog" help 2>/dev/null | awk '/^Commands:/ {on=1; next} on && /^  [a-z]/ {print $1}')
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        return 0
    fi
    if [[ "$cur" == -* ]]; then
        local options
        options=$("$prog" help "$command" 2>/dev/null | grep -o -- '--[a-z0-9-]*' | sort -u)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return 0
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
    compopt -o filenames 2>/dev/null
    return 0
}
complete -F _tavril_cli tavril-cli

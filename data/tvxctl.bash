# bash completion for tvxctl
_tvxctl() {
    local cur prev words cword
    _init_completion || return
    local commands="ports get put verify diff set convert log analyze edit"
    local drives='@(msl|csv|mlg|MSL|CSV|MLG)'
    local tables='@(vet|csv|json|VET|CSV|JSON)'
    case $prev in
        --com) COMPREPLY=($(compgen -W "$(seq 1 20)" -- "$cur")); return ;;
        --mlg-version) COMPREPLY=($(compgen -W "1 2" -- "$cur")); return ;;
        --port) COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}")); return ;;
        --timeout | --seconds | --lag | --min-temp | --transient | --max-afr | --min-afr | \
            --min-rpm | --wideband | --min-hits | --max-change | --lock) return ;;
        --table) _filedir '@(csv|json|CSV|JSON)'; return ;;
        --cells | --target) _filedir '@(csv|CSV)'; return ;;
        --report) _filedir '@(html|HTML)'; return ;;
        -o)
            if [[ " ${words[*]} " == *" log "* ]]; then
                _filedir "$drives"
            else
                _filedir "$tables"
            fi
            return
            ;;
    esac
    local command="" w
    for w in "${words[@]:1:cword-1}"; do
        [[ " $commands " == *" $w "* ]] && { command=$w; break; }
    done
    if [[ $cur == -* ]]; then
        local options="--com --port --timeout --help --version"
        case $command in
            get) options+=" -o" ;;
            put) options+=" --changed-only --dry-run --no-backup" ;;
            analyze) options+=" -o --table --cells --report --target --lag --min-temp --transient
                --max-afr --min-afr --min-rpm --wideband --min-hits --max-change --lock" ;;
            log) options+=" --seconds -o --force" ;;
            convert) options+=" --mlg-version" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    else
        case $command in
            put | verify | diff) _filedir "$tables" ;;
            convert) _filedir '@(vet|csv|json|msl|mlg|VET|CSV|JSON|MSL|MLG)' ;;
            analyze) _filedir "$drives" ;;
        esac
    fi
}
complete -F _tvxctl tvxctl

# bash completion for tvk: commands, their options, and .ico / .tvk / picture file
# names where those are expected.

_tvk_files()
{
    # Files with the extension, and folders to walk into.
    local IFS=$'\n'
    COMPREPLY+=($(compgen -f -X "!*.$1" -- "$cur") $(compgen -d -- "$cur"))
    compopt -o filenames 2>/dev/null
}

_tvk()
{
    local cur prev words cword
    _init_completion || return

    local commands="pack info unpack thumbnail batch icon help"
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi

    local command=${words[1]}
    case $prev in
        -n | --name | -a | --author | -s | --size | --sizes)
            return
            ;;
        -o | --output)
            if [[ ${words[1]} == icon ]]; then _tvk_files ico; else _tvk_files tvk; fi
            return
            ;;
        -d | --directory)
            _filedir -d
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        local options="--help"
        case $command in
            pack) options+=" --name --author --output --as-is" ;;
            icon) options+=" --output --sizes" ;;
            info) options+=" --json" ;;
            unpack) options+=" --directory --force" ;;
            thumbnail) options+=" --size" ;;
            batch) options+=" --check --as-is" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    case $command in
        pack) _tvk_files '@(ico|png|jpg|jpeg|bmp|gif|webp|svg)' ;;
        icon) _tvk_files '@(png|jpg|jpeg|bmp|gif|webp|svg)' ;;
        info | unpack) _tvk_files tvk ;;
        batch) _tvk_files csv ;;
        thumbnail)
            # FILE.tvk first, then the PNG to write.
            local arg count=0
            for ((arg = 2; arg < cword; arg++)); do
                [[ ${words[arg]} != -* && ${words[arg - 1]} != @(-s|--size) ]] && ((count++))
            done
            if ((count == 0)); then _tvk_files tvk; else _tvk_files png; fi
            ;;
        help) COMPREPLY=($(compgen -W "${commands% help}" -- "$cur")) ;;
    esac
}

complete -F _tvk tvk

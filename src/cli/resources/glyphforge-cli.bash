# bash completion for glyphforge-cli: its commands, each command's options and their values,
# and file names elsewhere.

_glyphforge_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local before=""
    ((COMP_CWORD >= 2)) && before=${COMP_WORDS[COMP_CWORD - 2]}
    COMPREPLY=()

    if ((COMP_CWORD == 1)); then
        mapfile -t COMPREPLY < <(compgen -W "convert list extract pack thumbnail check --help --version" -- "$cur")
        return
    fi

    local options values=""
    case ${COMP_WORDS[1]} in
        convert)
            options="--size --sizes --no-stretch --no-smooth --background --transparent
                --similarity --ignore-alpha --bits --palette --alpha-threshold --shadow-alpha
                --png --bmp
                --filter --resample --store --store-png-from --rgb555 --cursor --hotspot --help"
            case $prev in
                --size) values="16x16 24x24 32x32 48x48 64x64 128x128 256x256" ;;
                --sizes) values="16,24,32,48,64,128,256 16,32,48,256" ;;
                --background) values="white black" ;;
                --transparent) values="auto white black" ;;
                --similarity) return ;;
                --bits) values="1 4 8 16 24 32" ;;
                --palette) values="optimized default websafe gray windows16" ;;
                --alpha-threshold) values="keep 128 255" ;;
                --filter) values="box mitchell lanczos" ;;
                --resample) values="premultiplied editor" ;;
                --store) values="modern compatible smallest" ;;
                --store-png-from) values="64 128 256" ;;
                --hotspot) return ;;
                --shadow-alpha) values="white,7F7F7F,5" ;;
            esac
            [[ $before == --bmp ]] && values="white black"
            ;;
        list)
            options="--json --groups --language --help"
            if [[ $prev == --language ]]; then
                mapfile -t COMPREPLY < <(compgen -W "all first" -- "$cur")
                return
            fi
            ;;
        extract)
            options="--output --png --groups --language --help"
            if [[ $prev == --language ]]; then
                mapfile -t COMPREPLY < <(compgen -W "all first" -- "$cur")
                return
            fi
            if [[ $prev == -o || $prev == --output ]]; then
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -d -- "$cur")
                return
            fi
            ;;
        pack)
            options="--output --store --store-png-from --cursor --help"
            case $prev in
                --store) values="modern compatible smallest keep" ;;
                --store-png-from) values="64 128 256" ;;
            esac
            ;;
        check) options="--fix --help" ;;
        thumbnail) options="--help" ;;
        *) return ;;
    esac

    if [[ -n $values ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$values" -- "$cur")
    elif [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    else
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}

complete -F _glyphforge_cli glyphforge-cli

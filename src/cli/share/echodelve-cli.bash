# bash completion for echodelve-cli: commands (and "help COMMAND"), each
# command's options, the values of --kind, --to and --jobs (also as
# "--to=..."), and archive files (*.sfx, *.wad) where one is due: never after
# an option that takes a value.
_echodelve_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command=${COMP_WORDS[1]-}
    COMPREPLY=()
    if [ "$COMP_CWORD" -eq 1 ]; then
        mapfile -t COMPREPLY < <(compgen -W 'list extract pack check edit diff find help --help --version' -- "$cur")
        return
    fi
    if [ "$command" = help ]; then
        [ "$COMP_CWORD" -eq 2 ] && mapfile -t COMPREPLY < <(compgen -W 'list extract pack check edit diff find' -- "$cur")
        return
    fi
    # "--to=fl": bash splits at "=", so the option is the word before it.
    if [ "$prev" = "=" ] && [ "$COMP_CWORD" -ge 3 ]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    elif [ "$cur" = "=" ]; then
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        cur=
    fi
    case $prev in
        --kind) mapfile -t COMPREPLY < <(compgen -W 'sfx wad doom' -- "$cur"); return ;;
        --to) mapfile -t COMPREPLY < <(compgen -W 'pcm16 flac ogg' -- "$cur"); return ;;
        -j | --jobs)
            mapfile -t COMPREPLY < <(compgen -W "$(seq 1 "$(nproc 2>/dev/null || echo 4)")" -- "$cur")
            return ;;
        --add)
            mapfile -t COMPREPLY < <(compgen -f -X '!*.@(wav|WAV)' -- "$cur"; compgen -d -- "$cur")
            return ;;
        -o | --output)
            if [ "$command" = pack ] || [ "$command" = edit ]; then
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            else
                mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            fi
            return ;;
    esac
    if [[ $cur == -* ]]; then
        local options
        case $command in
            list) options='--kind= --details --json --no-limits --salvage --help' ;;
            extract) options='--output= --stdout --no-overwrite --quiet --verbose --kind= --yes --no --to= --no-limits --salvage --jobs= --help' ;;
            pack) options='--output= --kind= --help' ;;
            check) options='--json --kind= --no-limits --salvage --help' ;;
            find) options='--name= --encoding= --rate= --channels= --duration= --size= --loop --duplicates --json --verbose --help' ;;
            diff) options='--json --kind= --no-limits --help' ;;
            edit) options='--output= --in-place --no-backup --replace= --add= --remove= --rename= --move= --match --kind= --help' ;;
        esac
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        [[ ${COMPREPLY[0]-} == *= ]] && compopt -o nospace 2>/dev/null
        return
    fi
    if [ "$command" = pack ]; then
        mapfile -t COMPREPLY < <(compgen -f -X '!*.@(wav|WAV)' -- "$cur"; compgen -d -- "$cur")
    else
        mapfile -t COMPREPLY < <(compgen -f -X '!*.@(sfx|SFX|wad|WAD)' -- "$cur"; compgen -d -- "$cur")
    fi
}
complete -o filenames -F _echodelve_cli echodelve-cli

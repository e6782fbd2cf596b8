# bash completion for velmar-cli. Commands and options come from the
# program's own --help (so they never fall behind it); programmer kinds,
# drivers and family numbers are offered for their options, and --device
# offers the device names of DEVICES.INI in the program folder.

# The program folder as velmar-cli looks for it: --program-folder, the
# executable's folder when it holds DEVICES.INI, ../share/velmar beside it,
# then the usual install prefixes.
_velmar_cli_program_folder() {
    local prog=$1 given=$2 exe dir
    if [[ -n $given ]]; then printf '%s\n' "$given"; return; fi
    exe=$(command -v -- "$prog" 2>/dev/null) || exe=$prog
    exe=$(readlink -f -- "$exe" 2>/dev/null) || true
    dir=${exe%/*}
    for d in "$dir" "$dir/../share/velmar" /usr/share/velmar /usr/local/share/velmar; do
        if [[ -f $d/DEVICES.INI ]]; then printf '%s\n' "$d"; return; fi
    done
}

# Section names of DEVICES.INI: the device names.
_velmar_cli_devices() {
    local folder=$1
    [[ -f $folder/DEVICES.INI ]] || return
    tr -d '\r' < "$folder/DEVICES.INI" | sed -n 's/^[[:space:]]*\[\([^]]*\)\][[:space:]]*$/\1/p'
}

# Subcommand names listed by a --help text on stdin.
_velmar_cli_subcommands() {
    awk '/^[A-Za-z ]*[Ss][Uu][Bb][Cc][Oo][Mm][Mm][Aa][Nn][Dd][Ss]:/ {s = 1; next}
         /^[^ ]/ {s = 0}
         s && /^  +[a-z]/ {print $1}'
}

# Long options of a --help text on stdin; with "values", only those that
# take a value (the help shows a value name after them).
_velmar_cli_options() {
    awk -v values="$1" '/^ +-/ {
        sub(/^ +/, "")
        if (values != "" && $2 !~ /^[A-Z[]/) next
        n = split($1, names, ",")
        for (i = 1; i <= n; i++) if (names[i] ~ /^--/) print names[i]
    }'
}

_velmar_cli() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion || return
    else
        cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}
        words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD
    fi
    local prog=${words[0]} folder="" kind="" i w
    local -a path=()
    local help valueopts
    help=$("$prog" --help 2>/dev/null)
    valueopts=" $(_velmar_cli_options values <<<"$help" | tr '\n' ' ')"

    # The subcommand path typed so far, and the options that matter here.
    for ((i = 1; i < cword; i++)); do
        w=${words[i]}
        case $w in
            --program-folder) folder=${words[i+1]} ;;
            --kind) kind=${words[i+1]} ;;
        esac
        if [[ $w == -* ]]; then
            [[ $valueopts == *" $w "* ]] && ((i++))
            continue
        fi
        if _velmar_cli_subcommands <<<"$help" | grep -qx -- "$w"; then
            path+=("$w")
            help=$("$prog" "${path[@]}" --help 2>/dev/null)
            valueopts+=" $(_velmar_cli_options values <<<"$help" | tr '\n' ' ')"
        fi
    done

    case $prev in
        --simulate|--kind)
            # The kinds as the program lists them: their numbers and names.
            local kinds
            kinds=$("$prog" sim kinds --names 2>/dev/null)
            COMPREPLY=($(compgen -W "$(seq 0 $(($(wc -l <<<"$kinds") - 1))) $kinds" -- "$cur")); return ;;
        --driver)
            COMPREPLY=($(compgen -W "auto sim libftdi d2xx" -- "$cur")); return ;;
        --link-pacing)
            COMPREPLY=($(compgen -W "exact fast" -- "$cur")); return ;;
        --family)
            local -a args=()
            [[ -n $folder ]] && args+=(--program-folder "$folder")
            [[ -n $kind ]] && args=(devices "${args[@]}" --kind "$kind") || args=(devices "${args[@]}")
            COMPREPLY=($(compgen -W "$("$prog" "${args[@]}" 2>/dev/null | awk '{print $1}')" -- "$cur")); return ;;
        --device)
            local IFS=$'\n'
            COMPREPLY=($(compgen -W "$(_velmar_cli_devices "$(_velmar_cli_program_folder "$prog" "$folder")")" -- "$cur"))
            return ;;
        --program-folder|--working-folder|--sysfs-root|--dev-root|--udev-root)
            COMPREPLY=($(compgen -d -- "$cur")); return ;;
    esac
    if [[ $valueopts == *" $prev "* ]]; then
        COMPREPLY=($(compgen -f -- "$cur")); return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_velmar_cli_options "" <<<"$help")" -- "$cur"))
        return
    fi
    local subs
    subs=$(_velmar_cli_subcommands <<<"$help")
    if [[ -n $subs ]]; then
        COMPREPLY=($(compgen -W "$subs" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -F _velmar_cli velmar-cli

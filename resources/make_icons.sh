#!/bin/sh
# Regenerates image/*.png and zrvu.ico from the Tango icon theme
# (Debian package tango-icon-theme, public domain). See ICONS.md.
set -e
T=${TANGO:-/usr/share/icons/Tango}
OUT=$(dirname "$0")/image
mkdir -p "$OUT"

plain() { # name source
    convert "$T/32x32/$2.png" -strip "PNG32:$OUT/$1.png"
}
badged() { # name base badge size: a native icon of that size in the lower right
           # corner; 22 survives scaling down to 16x16 best, 16 keeps more of the base
    convert "$T/32x32/$2.png" "$T/$4x$4/$3.png" -geometry +$((32 - $4))+$((32 - $4)) -composite \
            -strip "PNG32:$OUT/$1.png"
}

plain   about      status/dialog-information
plain   configure  categories/preferences-system
plain   debug      apps/office-calendar
badged  export     mimetypes/text-x-generic actions/go-up 22
plain   help       apps/help-browser
badged  import     mimetypes/text-x-generic actions/go-down 22
plain   logo       apps/utilities-system-monitor
plain   monitor    apps/utilities-terminal
plain   refresh    actions/view-refresh
plain   save       actions/document-save
plain   search     actions/system-search
plain   setup      status/network-transmit-receive
badged  sync_time  actions/appointment-new actions/view-refresh 16
plain   update     apps/system-software-update

# Application icon: the logo at the sizes Windows asks for.
convert "$T/16x16/apps/utilities-system-monitor.png" "$T/24x24/apps/utilities-system-monitor.png" \
        "$T/32x32/apps/utilities-system-monitor.png" \
        \( -background none "$T/scalable/apps/utilities-system-monitor.svg" -resize 48x48 \) \
        \( -background none "$T/scalable/apps/utilities-system-monitor.svg" -resize 256x256 \) \
        "$(dirname "$0")/zrvu.ico"

# Desktop icons of the Debian package (hicolor theme), from the icon above:
# its own frames where it has the size, its 256 px frame scaled down otherwise.
HI=$(dirname "$0")/../packaging/icons
for entry in 16:0 32:2 48:3 64:4 128:4 256:4; do
    size=${entry%%:*}
    frame=${entry#*:}
    mkdir -p "$HI/${size}x${size}"
    convert "$(dirname "$0")/zrvu.ico[$frame]" -resize "${size}x${size}" -strip "PNG32:$HI/${size}x${size}/zrvu.png"
done

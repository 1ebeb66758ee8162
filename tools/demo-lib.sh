# Sourced by tools/demo: the pieces of the demo's session and the checks it waits on.
# Expects top, build and demo to be set.

INSTALLED_TORNEL='C:\Program Files\TAVEN\Tornel\Tornel.exe'
INSTALLED_ENGINE='C:\windows\TNENGINE.dll'
PRINTER=TornelPDF
# The PDF printer's own settings file; the printer backend reads it from /etc/cups only.
PRINTER_CONF=/etc/cups/cups-pdf-TornelDemo.conf
PRINTER_URI=cups-pdf:/TornelDemo
# A real 300 dpi flatbed of the kind moves about one inch a second: an A4 page in ~12 s.
PACE=300
SCREENSHOT_DELAY=4
# Wine has no image editor; its file manager opens on the folder of the file it is given.
# Wine has no image editor, but it has WordPad. Registered as Windows registers it, it
# is the application Tornel finds at start-up and takes as the default, so button 1
# goes to OCR and the recognised page opens in WordPad.
APP_NAME='Windows WordPad'
WORDPAD_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\WORDPAD.EXE'
WORDPAD_VALUE='"%ProgramFiles%\Windows NT\Accessories\WORDPAD.EXE"'
WORDPAD_EDITOR=2001
# The virtual scanner's mail program, registered by the demo as a mail program's own
# setup would: it keeps each mail as an unsent draft in its Outbox folder.
MAIL_CLIENT_DIR='C:\Program Files\TAVEN\Kelmio\Virtual Mail'
MAIL_CLIENT_KEY='HKLM\Software\Clients\Mail\Netscape Messenger'

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
started_at=${EPOCHREALTIME/[.,]/}

elapsed() {
    local tenths=$(( (${EPOCHREALTIME/[.,]/} - started_at) / 100000 ))
    printf '%d.%d' $((tenths / 10)) $((tenths % 10))
}
say() { printf '[%6ss] %s\n' "$(elapsed)" "$*"; }
fail() { echo "demo: $*" >&2; exit 1; }

install_print_packages() {
    local missing=() p
    for p in cups printer-driver-cups-pdf libcups2:i386; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "demo: installing ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# A Windows path of the prefix's C: drive as a file of this machine.
unix_path() {
    local path=${1#[Cc]:\\}
    printf '%s/drive_c/%s' "$WINEPREFIX" "${path//\\//}"
}

windows_path() {
    local path=${1#"$WINEPREFIX/drive_c/"}
    printf 'C:\\%s' "${path//\//\\}"
}

drive() { wine "$build/bin/drive.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

scanctl() {
    wine 'C:\Program Files\TAVEN\Kelmio\scanctl.exe' "$@" </dev/null >/dev/null 2>"$demo/scanctl.err" ||
        fail "scanctl $*: $(cat "$demo/scanctl.err")"
}

# wait_for WHAT SECONDS COMMAND...: runs the command until it succeeds and prints its
# output, or gives up after SECONDS.
wait_for() {
    local what=$1 seconds=$2 output
    shift 2
    local deadline=$(( $(date +%s) + seconds ))
    while :; do
        if output=$("$@" 2>/dev/null); then
            [ -n "$output" ] && printf '%s\n' "$output"
            return 0
        fi
        [ "$(date +%s)" -ge "$deadline" ] && fail "timed out after $seconds s waiting for $what"
        sleep 0.2
    done
}

count_files() { find "$1" -maxdepth 1 -type f | wc -l; }

# The newest file of a folder once it holds more than BEFORE files.
newest_new_file() {
    [ "$(count_files "$1")" -gt "$2" ] || return 1
    ls -t "$1"/* | head -1
}

# The text WordPad shows, once it shows some.
wordpad_text() {
    local text
    text=$(drive text "$1" "$WORDPAD_EDITOR") && [ -n "$text" ] && printf '%s\n' "$text"
}

# The balloon on the tray icon, once it says TEXT.
balloon_says() {
    local tip text
    tip=$(drive find tooltips_class32 - 0 --visible) && text=$(drive text "$tip") &&
        [[ "$text" == *"$1"* ]] && printf '%s\n' "$text"
}

# Opens the tray menu and picks the item at POSITION of its last item, "Send last scan
# to", with the keys a user would press.
pick_resend_item() {
    local menu
    drive post "$tray" 0x40A 1 0x204 >/dev/null
    menu=$(drive find "#32768" - 5000 --visible) || fail "the tray menu did not open"
    local keys=(home down down down down down right home)
    for ((i = 0; i < $1; i++)); do keys+=(down); done
    drive keys "$menu" "${keys[@]}" return >/dev/null
}

dialog_gone() { ! drive find "#32770" - 0 --visible >/dev/null; }
tornel_gone() { ! drive find "TAVEN Tornel" "TAVEN Tornel" 0 >/dev/null; }


describe_image() {
    local size
    size=$(stat -c %s "$1")
    printf '%s (%s, %s pixels, %s bytes)' "$(windows_path "$1")" "$(identify -format '%m' "$1" 2>/dev/null || echo '?')" \
        "$(identify -format '%wx%h' "$1" 2>/dev/null || echo '?')" "$size"
}

copy_printer() { tr -d '\r' <"$(unix_path 'C:\windows\kmconfig.ini')" | sed -n 's/^PrinterName0=//p' | head -1; }
mail_client() {
    tr -d '\r' <"$(unix_path 'C:\windows\kmconfig.ini')" | sed -n '/^\[EmailSystem\]/,/^\[/s/^Default=//p' | head -1
}

# WordPad's App Paths entry, which Windows has and Wine lacks, and the scan folder the
# installed kmconfig.ini names.
prepare_machine() {
    wine reg add "$WORDPAD_KEY" /ve /t REG_EXPAND_SZ /d "$WORDPAD_VALUE" /f </dev/null >/dev/null 2>&1 ||
        fail "cannot register WordPad"
    SCAN_FOLDER=$(tr -d '\r' <"$(unix_path 'C:\windows\kmconfig.ini')" |
        sed -n '/^\[MyFolder\]/,/^\[/s/^Folder1=//p' | head -1)
    [ -n "$SCAN_FOLDER" ] || fail "the installed kmconfig.ini names no scan folder"
}

# Registers the mail program where the e-mail function finds one: its mail command (the
# path unquoted, as the function reads it up to the first quote) and the MAPI library
# that gets a mail when it is the default mail client.
register_mail_program() {
    wine reg add "$MAIL_CLIENT_KEY\\protocols\\mailto\\shell\\open\\command" /ve \
        /d 'C:\windows\system32\winebrowser.exe "%1"' /f >/dev/null 2>&1
    wine reg add "$MAIL_CLIENT_KEY" /v DLLPath /d "$MAIL_CLIENT_DIR\\SimMail.dll" /f >/dev/null 2>&1
}

# The newest PDF of the folder once it holds more than BEFORE files and is whole.
new_complete_pdf() {
    local file
    file=$(newest_new_file "$1" "$2") || return 1
    pdfinfo "$file" >/dev/null 2>&1 && printf '%s\n' "$file"
}

describe_pdf() {
    local pages size image
    pages=$(pdfinfo "$1" 2>/dev/null | sed -n 's/^Pages: *//p')
    size=$(pdfinfo "$1" 2>/dev/null | sed -n 's/^Page size: *//p')
    image=$(pdfimages -list "$1" 2>/dev/null |
        awk 'NR > 2 { n++; if (n == 1) { w = $4; p = $13 } } END { if (n) print "in " n " bands of " w " pixels at " p " ppi" }')
    printf '%s (%s page(s) of %s; the page %s)' "$1" "$pages" "$size" "${image:-has no image}"
}

# What the mail draft holds, read with Python's mail parser; its attachment is
# compared with the scanned file.
describe_draft() {
    /usr/bin/python3 - "$1" "$2" <<'PYTHON'
import email, email.policy, sys
with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=email.policy.default)
with open(sys.argv[2], "rb") as f:
    scanned = f.read()
parts = [(a.get_filename(), a.get_content()) for a in message.iter_attachments()]
same = any(content == scanned for _, content in parts)
print(f"subject \"{message['Subject']}\", X-Unsent {message['X-Unsent']}, attached "
      + ", ".join(f"{name} ({len(content)} bytes)" for name, content in parts)
      + (", the scanned file byte for byte" if same else ", NOT the scanned file"))
PYTHON
}

start_xvfb() {
    local fifo="$demo/displayfd" number
    mkfifo "$fifo"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 &
    echo $! >"$demo/xvfb.pid"
    read -r -t 20 number <"$fifo" || fail "Xvfb did not start"
    rm -f "$fifo"
    export DISPLAY=":$number"
}

# A private print server: its own configuration, spool and socket under build/demo/cups,
# one PDF printer, the default.
start_cups() {
    local cups="$demo/cups"
    mkdir -p "$cups/etc" "$cups/spool/tmp" "$cups/cache" "$cups/run" "$cups/log"
    export CUPS_SERVER="$cups/run/cups.sock"
    [ ${#CUPS_SERVER} -lt 100 ] || fail "the print server's socket path is too long: $CUPS_SERVER"
    cat >"$cups/etc/cups-files.conf" <<EOF
SystemGroup root
ServerRoot $cups/etc
RequestRoot $cups/spool
TempDir $cups/spool/tmp
CacheDir $cups/cache
StateDir $cups/run
AccessLog $cups/log/access_log
ErrorLog $cups/log/error_log
PageLog $cups/log/page_log
EOF
    cat >"$cups/etc/cupsd.conf" <<EOF
Listen $CUPS_SERVER
Browsing No
WebInterface No
LogLevel warn
<Location />
  Order allow,deny
  Allow localhost
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
    printf 'Out %s\nAnonDirName %s\nLabel 0\n' "$demo/pdf" "$demo/pdf" | $sudo tee "$PRINTER_CONF" >/dev/null
    setsid $sudo /usr/sbin/cupsd -f -c "$cups/etc/cupsd.conf" -s "$cups/etc/cups-files.conf" \
        </dev/null >"$cups/log/cupsd.out" 2>&1 &
    echo $! >"$demo/cupsd.pid"
    wait_for "the print server" 20 sh -c 'lpstat -r | grep -q "is running"'
    $sudo env CUPS_SERVER="$CUPS_SERVER" lpadmin -p "$PRINTER" -E -v "$PRINTER_URI" \
        -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
    $sudo env CUPS_SERVER="$CUPS_SERVER" lpadmin -d "$PRINTER"
}

# Ends a process this demo started, by the pid it recorded, if it still runs.
stop_recorded() {
    local file=$1 pid
    [ -f "$file" ] || return 0
    pid=$(cat "$file")
    if kill -0 "$pid" 2>/dev/null || $sudo kill -0 "$pid" 2>/dev/null; then
        $sudo kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            $sudo kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    rm -f "$file"
}

stop_previous_run() {
    [ -d "$demo" ] || return 0
    if [ -f "$demo/wineserver.started" ]; then
        WINEPREFIX="$demo/prefix" wineserver -k 2>/dev/null || true
    fi
    stop_recorded "$demo/cupsd.pid"
    stop_recorded "$demo/xvfb.pid"
}

stop_everything() {
    local status=$?
    if [ -f "$demo/wineserver.started" ]; then
        wineserver -k 2>/dev/null || true
        timeout 30 wineserver -w 2>/dev/null || true
        rm -f "$demo/wineserver.started"
    fi
    stop_recorded "$demo/cupsd.pid"
    $sudo rm -f "$PRINTER_CONF"
    stop_recorded "$demo/xvfb.pid"
    exit $status
}

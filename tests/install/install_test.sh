#!/usr/bin/env bash
# Installs the build into a scratch prefix (and, staged, under /usr as a package does) and
# checks every file: the list is complete and holds nothing else, the programs run from there,
# the desktop entries, the document type, the user unit and the manual pages pass their own
# tools, and the manual pages name every switch and command the programs' --help lists.
#
#   install_test.sh BUILD_DIR SCRATCH_DIR GUI(ON|OFF) CMAKE CPACK
# A tool that is not installed is skipped with a note; scripts/install-deps.sh installs them.
set -uo pipefail

build=$1 scratch=$2 gui=$3 cmake=$4 cpack=$5
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
have() {
    command -v "$1" >/dev/null && return 0
    echo "SKIP: $1 is not installed"
    return 1
}

rm -rf "$scratch"
mkdir -p "$scratch"
prefix=$scratch/prefix

expected_files() {
    echo bin/gpane
    echo share/man/man1/gpane.1.gz
    echo share/doc/glasspane/changelog.Debian.gz
    echo share/doc/glasspane/copyright
    echo share/lintian/overrides/glasspane
    [ "$gui" = ON ] || return 0
    cat <<'EOF'
bin/glasspane
lib/systemd/user/glasspane.service
share/applications/glasspane.desktop
share/doc/glasspane/examples/glasspane-autostart.desktop
share/icons/hicolor/128x128/apps/glasspane.png
share/icons/hicolor/16x16/apps/glasspane.png
share/icons/hicolor/22x22/apps/glasspane.png
share/icons/hicolor/24x24/apps/glasspane.png
share/icons/hicolor/256x256/apps/glasspane.png
share/icons/hicolor/32x32/apps/glasspane.png
share/icons/hicolor/48x48/apps/glasspane.png
share/icons/hicolor/64x64/apps/glasspane.png
share/icons/hicolor/scalable/apps/glasspane.svg
share/icons/hicolor/scalable/mimetypes/application-gpane4.svg
share/man/man1/glasspane.1.gz
share/mime/packages/glasspane.xml
EOF
}

files_under() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort); }

# The value of KEY in the [Desktop Entry] group of a desktop file.
desktop_value() {
    awk -v key="$2" -F= '/^\[/ { main = ($0 == "[Desktop Entry]") }
        main && $1 == key { sub(/^[^=]*=/, ""); print; exit }' "$1"
}

# The text of a manual page as a reader sees it: no hyphenation, one long line per paragraph.
render_page() { zcat "$1" | groff -man -Tascii -rLL=250n -rHY=0 -P-cbou 2>/dev/null; }

# Every switch, argument and command word of the first column of a --help text.
help_words() {
    sed -n 's/^  \([^ ].*\)$/\1/p' | sed 's/  .*//' | tr ', ' '\n\n' | grep -v '^$' | grep -v '^(.*)$'
}

echo "== cmake --install into $prefix"
if ! "$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log"
    fail "cmake --install"
    exit 1
fi

echo "== the installed files"
diff <(expected_files | LC_ALL=C sort) <(files_under "$prefix") >"$scratch/files.diff" ||
    fail "installed files differ from the expected list (< missing, > unexpected):
$(cat "$scratch/files.diff")"
for program in gpane glasspane; do
    [ -e "$prefix/bin/$program" ] || continue
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
    version=$("$prefix/bin/$program" --version 2>&1) || fail "bin/$program --version: $version"
    [[ $version == *"Glasspane "[0-9]* ]] || fail "bin/$program --version printed \"$version\""
done
for page in "$prefix"/share/man/man1/*.1.gz; do
    gzip -t "$page" || fail "$page is not a gzip file"
done

echo "== manual pages"
if have groff; then
    for page in "$prefix"/share/man/man1/*.1.gz; do
        warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
        [ -z "$warnings" ] || fail "$(basename "$page"): groff warns: $warnings"
    done
    for program in gpane glasspane; do
        [ -e "$prefix/bin/$program" ] || continue
        text=$(render_page "$prefix/share/man/man1/$program.1.gz")
        words=$("$prefix/bin/$program" --help | help_words)
        [ -n "$words" ] || fail "$program --help lists nothing"
        for word in $words; do
            grep -qwF -- "$word" <<<"$text" ||
                fail "$program.1 does not mention \"$word\" of $program --help"
        done
    done
fi

if [ "$gui" = ON ]; then
    echo "== desktop entries"
    apps=$prefix/share/applications/glasspane.desktop
    autostart=$prefix/share/doc/glasspane/examples/glasspane-autostart.desktop
    if have desktop-file-validate; then
        for entry in "$apps" "$autostart"; do
            out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate $entry: $out"
            [ -z "$out" ] || fail "desktop-file-validate $entry: $out"
        done
    fi
    read -r program _ <<<"$(desktop_value "$apps" Exec)"
    [ -x "$prefix/bin/$program" ] || fail "Exec names \"$program\", which is not installed"
    [ "$(desktop_value "$apps" TryExec)" = glasspane ] || fail "TryExec is not glasspane"
    [[ "$(desktop_value "$apps" Exec)" == *%[fFuU]* ]] ||
        fail "Exec takes no document: $(desktop_value "$apps" Exec)"
    [[ ";$(desktop_value "$apps" MimeType)" == *";application/gpane4;"* ]] ||
        fail "the desktop entry does not open application/gpane4"
    for entry in "$apps" "$autostart"; do
        icon=$(desktop_value "$entry" Icon)
        [ -e "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
            fail "$(basename "$entry"): no icon named \"$icon\""
    done
    grep -q 'systemctl --user start glasspane.service' "$autostart" ||
        fail "the autostart example does not start the user unit"

    echo "== document type"
    mime=$prefix/share/mime
    if have xmllint; then
        xmllint --noout "$mime/packages/glasspane.xml" || fail "glasspane.xml is not well-formed"
    fi
    if have update-mime-database; then
        out=$(XDG_DATA_DIRS=$prefix/share:/usr/share update-mime-database "$mime" 2>&1) || fail "update-mime-database: $out"
        [ -z "$out" ] || fail "update-mime-database warns: $out"
        grep -qx '[0-9]*:application/gpane4:\*\.gpn' "$mime/globs2" 2>/dev/null ||
            fail "*.gpn does not map to application/gpane4 in globs2"
        grep -qx 'application/gpane4 text/plain' "$mime/subclasses" 2>/dev/null ||
            fail "application/gpane4 is not text that editors open"
    fi

    echo "== user unit"
    unit=$prefix/lib/systemd/user/glasspane.service
    unit_value() { sed -n "s/^$1=//p" "$unit" | tail -n 1; }
    [ "$(unit_value ExecStart)" = "$prefix/bin/glasspane" ] ||
        fail "ExecStart is \"$(unit_value ExecStart)\", not $prefix/bin/glasspane"
    [ "$(unit_value Restart)" = always ] || fail "Restart is not always"
    [ -n "$(unit_value RestartSec)" ] || fail "no pause between restarts"
    [ "$(unit_value StartLimitIntervalSec)" = 0 ] || fail "the unit can stop restarting for good"
    if have systemd-analyze; then
        # A user manager needs a private runtime folder; the unit's documentation is looked up
        # with man among the installed pages.
        runtime=${XDG_RUNTIME_DIR:-$scratch/runtime}
        mkdir -p -m 700 "$runtime"
        out=$(XDG_RUNTIME_DIR=$runtime MANPATH=$prefix/share/man \
            systemd-analyze verify --user "$unit" 2>&1) || fail "systemd-analyze verify: $out"
        if grep -q 'glasspane' <<<"$out"; then fail "systemd-analyze verify: $out"; fi
    fi
fi

# Staged as a package stages it: everything under DESTDIR, every path inside the files as seen
# from the real prefix.
if [ "$gui" = ON ]; then
    echo "== DESTDIR=$scratch/stage cmake --install --prefix /usr"
    if DESTDIR=$scratch/stage "$cmake" --install "$build" --prefix /usr >>"$scratch/install.log" 2>&1; then
        diff <(expected_files | sed 's|^|usr/|' | LC_ALL=C sort) <(files_under "$scratch/stage") >/dev/null ||
            fail "the staged install holds other files than the scratch prefix"
        grep -qx 'ExecStart=/usr/bin/glasspane' "$scratch/stage/usr/lib/systemd/user/glasspane.service" ||
            fail "the staged unit does not run /usr/bin/glasspane"
    else
        fail "DESTDIR install: $(tail -5 "$scratch/install.log")"
    fi
fi

if [ "$gui" = ON ] && have dpkg-deb && have dpkg-shlibdeps; then
    echo "== cpack -G DEB"
    if (cd "$build" && "$cpack" -G DEB -B "$scratch/package") >"$scratch/cpack.log" 2>&1; then
        deb=$(ls "$scratch"/package/glasspane_*.deb 2>/dev/null | head -n 1)
        diff <(expected_files | sed 's|^|usr/|' | LC_ALL=C sort) \
            <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | LC_ALL=C sort) \
            >"$scratch/package.diff" ||
            fail "the package holds other files than the scratch prefix:
$(cat "$scratch/package.diff")"
        depends=$(dpkg-deb -f "$deb" Depends)
        for package in libqt6webenginecore6 libqt6webenginecore6-bin libqt6webenginewidgets6 libcurl4 libsodium23; do
            # Debian 13 renamed libraries whose interface holds a time_t: libcurl4t64.
            grep -qE "(^|, )$package(t64)?( |,|$)" <<<"$depends" || fail "the package does not depend on $package"
        done
        dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/user/glasspane.service |
            grep -qx 'ExecStart=/usr/bin/glasspane' || fail "the packaged unit does not run /usr/bin/glasspane"
        if have lintian; then
            # Debian's own judgement of the package: no error and no warning.
            complaints=$(lintian "$deb" 2>&1 | grep -E '^[EW]: ')
            [ -z "$complaints" ] || fail "lintian:
$complaints"
        fi
    else
        fail "cpack: $(tail -20 "$scratch/cpack.log")"
    fi
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "every installed file checked"

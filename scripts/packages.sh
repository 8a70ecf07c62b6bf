# Installs the Debian packages Pagimo needs to build, run and test, when any is
# missing. Sourced by ./run and ./test; relies on dpkg-query and apt-get, and
# on sudo when not run as root.

PAGIMO_PACKAGES="cmake ninja-build g++ pkg-config libgtest-dev
 qt6-base-dev qt6-qpa-plugins libhpdf-dev libzip-dev libfreetype-dev libfontconfig-dev
 opentype-sanitizer
 hunspell hunspell-de-de hunspell-en-us libhyphen-dev hyphen-de hyphen-en-us regina-rexx libcsv-dev
 fonts-dejavu-core fonts-dejavu-extra fonts-liberation
 poppler-utils qpdf zip unzip xvfb xauth xdotool imagemagick
 clang libclang-rt-14-dev"

pagimo_missing_packages() {
    local p missing=""
    for p in $PAGIMO_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
            || missing="$missing $p"
    done
    echo "$missing"
}

pagimo_install_packages() {
    local missing sudo=""
    missing=$(pagimo_missing_packages)
    [ -z "$missing" ] && return 0
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing missing packages:$missing"
    $sudo apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

pagimo_build() {
    local top="$1"
    if [ ! -f "$top/build/build.ninja" ]; then
        cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo || return 1
    fi
    cmake --build "$top/build" -- -j2
}

# shellcheck shell=bash
# What install-deps.sh does with apt, dpkg and binfmt_misc, one function a step.

# Prints each of the given packages that is not installed.
missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# Whether 32-bit x86 programs start here, natively or through an emulator;
# the 32-bit loader (libc6:i386, which wine32 brings) is the program tried.
runs_32bit_code() {
  [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# apt-get update, tried a few times; an index that still fails (a mirror in
# mid-sync) is left out with a warning: apt goes on with what it has.
apt_update() {
  local try log
  log=$(mktemp)
  for try in 1 2 3; do
    if apt-get update -q >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    [ "$try" -lt 3 ] && sleep "${KIV_APT_RETRY_SECONDS:-10}"
  done
  echo "install-deps: warning: some package indexes could not be fetched after 3 tries; going on with the others:" >&2
  grep -E '^(E|W): Failed to fetch' "$log" | cut -c1-300 >&2
  rm -f "$log"
  return 0
}

# The i386 packages that installing the given packages can pull in.
i386_closure() {
  apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances "$@" 2>/dev/null |
    grep -E '^[a-z0-9][a-z0-9.+-]*:i386$' | sort -u
}

# For each named i386 package (name:i386) whose amd64 twin is installed and
# must match it (Multi-Arch: same), but whose installed or candidate amd64
# version no i386 index offers: prints name=V and name:i386=V with V the
# newest version that both architectures offer. Nothing when they match.
twin_pins() {
  shift # the round, for the caller's log only
  local bases=() n
  for n in "$@"; do bases+=("${n%:i386}"); done
  [ ${#bases[@]} -gt 0 ] || return 0
  local installed madison policy
  installed=$(dpkg-query -W -f='${Package}|${Status}|${Version}|${Multi-Arch}\n' \
    "${bases[@]/%/:amd64}" 2>/dev/null | awk -F'|' '$2 == "install ok installed" && $4 == "same" {print $1 "|" $3}')
  [ -n "$installed" ] || return 0
  local names=() line
  while IFS='|' read -r n _; do names+=("$n" "$n:i386"); done <<<"$installed"
  # Every version on offer, newest first: "name arch version".
  madison=$(apt-cache madison "${names[@]}" 2>/dev/null |
    awk -F'|' '{gsub(/ /, "", $1); gsub(/ /, "", $2); sub(/:i386$/, "", $1);
                n = split($3, w, " "); print $1, w[n - 1], $2}')
  # The candidate apt would install for the amd64 twin: "name version".
  policy=$(apt-cache policy "${names[@]%:i386}" 2>/dev/null |
    awk '/^[^ ].*:$/ {name = $1; sub(/:$/, "", name)} /^  Candidate:/ {print name, $2}')
  while IFS='|' read -r n version; do
    local i386_versions candidate common=""
    i386_versions=$(awk -v n="$n" '$1 == n && $2 == "i386" {print $3}' <<<"$madison")
    [ -n "$i386_versions" ] || continue
    candidate=$(awk -v n="$n" '$1 == n {print $2; exit}' <<<"$policy")
    if grep -qxF -- "$version" <<<"$i386_versions" &&
      { [ -z "$candidate" ] || grep -qxF -- "$candidate" <<<"$i386_versions"; }; then
      continue
    fi
    while read -r line; do
      if grep -qxF -- "$line" <<<"$i386_versions"; then common=$line && break; fi
    done < <(awk -v n="$n" '$1 == n && $2 == "amd64" {print $3}' <<<"$madison")
    [ -n "$common" ] || continue
    echo "$n=$common"
    echo "$n:i386=$common"
    sibling_pins "$n" "$common"
  done <<<"$installed"
}

# Installed amd64 packages built from the same source as the given one (its
# -dev package, say) depend on its exact version: moving it alone would make
# apt remove them, so they move along where that version is offered.
sibling_pins() {
  local name=$1 version=$2 source sibling
  source=$(dpkg-query -W -f='${source:Package}' "$name:amd64" 2>/dev/null)
  [ -n "$source" ] || return 0
  while read -r sibling; do
    [ "$sibling" != "$name" ] || continue
    apt-cache madison "$sibling" 2>/dev/null | awk -F'|' '{gsub(/ /, "", $2); print $2}' |
      grep -qxF -- "$version" && echo "$sibling=$version"
  done < <(dpkg-query -W -f='${Package}|${Architecture}|${source:Package}|${Status}\n' 2>/dev/null |
    awk -F'|' -v s="$source" '$3 == s && $2 != "i386" && $4 == "install ok installed" {print $1}')
}

# The suite's mirror as apt is set up here, so no host is written down twice.
debian_mirror() {
  # shellcheck disable=SC2016 # apt's own format variable
  apt-get indextargets 'Created-By: Packages' 'Release: bookworm' --format '$(REPO_URI)' 2>/dev/null | head -n 1
}

i386_magic=7f454c4601010100000000000000000002000300

# The interpreter of the enabled binfmt_misc handler for 32-bit x86 ELF, if any.
i386_handler_interpreter() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$entry" ] || continue
    grep -qx enabled "$entry" 2>/dev/null || continue
    grep -qx "magic $i386_magic" "$entry" 2>/dev/null || continue
    sed -n 's/^interpreter //p' "$entry"
    return 0
  done
  return 1
}

# qemu-user from bookworm-backports (bookworm's 7.2 treats MAP_FIXED_NOREPLACE
# as a hint, and Wine then fails to map its shared user data), and a
# binfmt_misc handler that gives it every 32-bit x86 program.
setup_i386_emulation() {
  local version mirror list=/etc/apt/sources.list.d/bookworm-backports.list
  version=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null)
  if [ -z "$version" ] || dpkg --compare-versions "$version" lt 1:8; then
    if ! apt-cache policy 2>/dev/null | grep -q 'bookworm-backports/main'; then
      mirror=$(debian_mirror)
      [ -n "$mirror" ] || { echo "install-deps: no bookworm source configured to take bookworm-backports from" >&2; return 1; }
      echo "install-deps: adding bookworm-backports ($list)"
      echo "deb $mirror bookworm-backports main" >"$list"
      apt_update
    fi
    echo "install-deps: installing qemu-user-static from bookworm-backports"
    apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user-static || return 1
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    echo "install-deps: mounting binfmt_misc on /proc/sys/fs/binfmt_misc"
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || return 1
  fi
  if ! i386_handler_interpreter >/dev/null; then
    echo "install-deps: registering /usr/bin/qemu-i386-static for 32-bit x86 programs (binfmt_misc, flag F)"
    printf '%s' ':kavro-qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >/proc/sys/fs/binfmt_misc/register || return 1
  fi
}

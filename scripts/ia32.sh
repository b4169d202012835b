# Sourced by scripts/test-windows.sh, after deps.sh. need_ia32_programs: makes
# sure 32-bit x86 Linux programs run here, which wine's 32-bit half is.
#
# Most x86-64 kernels run them natively. Some are booted with their 32-bit
# support switched off (the kernel logs "32-bit emulation disabled"), and
# every 32-bit program fails with "Exec format error". There they are run
# under qemu's user-mode emulation instead, registered with the kernel's
# binfmt_misc as the interpreter of 32-bit x86 programs, for the whole
# machine until it restarts.
ia32_wrapper=/usr/local/libexec/relaytest-qemu-i386
ia32_entry=/proc/sys/fs/binfmt_misc/relaytest-i386

ia32_runs() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

need_ia32_programs() {
    if ia32_runs; then
        return 0
    fi
    if [ "$(id -u)" != 0 ]; then
        echo "relaytest: this kernel does not run 32-bit programs (wine's 32-bit half): boot it with" \
             "ia32_emulation=on, or run this script as root to run them under qemu-user" >&2
        exit 1
    fi
    echo "relaytest: this kernel does not run 32-bit programs: running them under qemu's user-mode emulation" >&2
    need qemu-user-static test -x /usr/bin/qemu-i386-static
    if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    fi
    mkdir -p "$(dirname "$ia32_wrapper")"
    # Wine's 32-bit half needs the guest address space up to its shared page
    # just below 2 GiB; qemu's start-up time grows with the space reserved
    # (a minute per process for the whole 4 GiB), so it gets 2 GiB + 16 MiB.
    cat >"$ia32_wrapper" <<'WRAPPER'
#!/bin/sh
# The interpreter of 32-bit x86 programs on this machine (made by relaytest's
# scripts/ia32.sh): qemu's user-mode emulation, for a kernel without 32-bit support.
QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0x81000000} exec /usr/bin/qemu-i386-static "$@"
WRAPPER
    chmod 755 "$ia32_wrapper"
    if [ -e "$ia32_entry" ]; then
        echo -1 >"$ia32_entry"
    fi
    # Executables and shared objects of the ELF class 32, x86 (machine 3).
    printf '%s' ":relaytest-i386:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$ia32_wrapper:" \
        >/proc/sys/fs/binfmt_misc/register
    if ! ia32_runs; then
        echo "relaytest: wine's 32-bit half does not start even under qemu-user" >&2
        exit 1
    fi
}

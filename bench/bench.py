#!/usr/bin/env python3
"""Benchmark of SETUP.EXE under wine64; run through bench/run.sh, which builds first.

Every timing is a ratio of two programs measured in the same run, alternating their
order from round to round, over the median of several rounds. Times are taken inside
the prefix by bench_launch.exe (bench/win/launch.cpp): from CreateProcess to the first
visible message box of the started process. The start of wine64 on the host side is
not part of any figure. Figures are printed, never judged into an exit code; but a
removal that did not happen (files, directory or log left, exit code not 0) stops the
benchmark with an error, since its time would mean nothing.
"""
import argparse
import glob
import os
import shutil
import statistics
import struct
import subprocess
import sys
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
CRT_DLLS = ("MSVCRT", "UCRTBASE", "API-MS-WIN-CRT", "VCRUNTIME", "MSVCR", "LIBGCC", "LIBSTDC++", "LIBWINPTHREAD")
SMALL_FILE_BYTES = 1024
BIG_FILE_BYTES = 1 << 20


def log(msg):
    print(msg, file=sys.stderr, flush=True)


def median(values):
    return statistics.median(values) if values else float("nan")


# ---- 1. The executables --------------------------------------------------------

def objdump_imports(objdump, exe):
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    return sorted({line.split()[-1].upper() for line in out.splitlines() if "DLL Name:" in line})


def is_stripped(objdump, exe):
    out = subprocess.run([objdump, "-h", exe], capture_output=True, text=True, check=True).stdout
    header = subprocess.run([objdump, "-f", exe], capture_output=True, text=True, check=True).stdout
    return ".debug" not in out and ".stab" not in out and "HAS_SYMS" not in header


def zero_filled_data(build_dir):
    """Sections of the setup's object files that hold only zeros but are emitted as
    initialised data (.data$...), so they take room in the file instead of in .bss."""
    found = []
    for obj in glob.glob(os.path.join(build_dir, "CMakeFiles", "setup.dir", "**", "*.obj"), recursive=True):
        data = open(obj, "rb").read()
        if len(data) < 20:
            continue
        _, nsec, _, symtab, nsym, optsize, _ = struct.unpack_from("<HHIIIHH", data, 0)
        strtab = symtab + nsym * 18
        for i in range(nsec):
            off = 20 + optsize + 40 * i
            name = data[off:off + 8].rstrip(b"\0").decode("latin-1")
            if name.startswith("/"):
                start = strtab + int(name[1:])
                name = data[start:data.index(b"\0", start)].decode("latin-1")
            (rawsize, rawptr, _, _, nreloc, _, flags) = struct.unpack_from("<IIIIHHI", data, off + 16)
            contents = data[rawptr:rawptr + rawsize]
            if name.startswith(".data") and rawsize > 0 and nreloc == 0 and not contents.strip(b"\0"):
                found.append((rawsize, name, os.path.basename(obj)))
    return sorted(found, reverse=True)


def relinked_with_bss(build_dir, objcopy, out_dir):
    """Size of SETUP.EXE when the zero-filled sections of its objects are moved to
    .bss and the objects are linked again with the build's own link command."""
    cmd = subprocess.run(["ninja", "-C", build_dir, "-t", "commands", "setup"], capture_output=True, text=True,
                         check=True).stdout.strip().splitlines()[-1]
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    shutil.copytree(os.path.join(build_dir, "CMakeFiles"), os.path.join(out_dir, "CMakeFiles"))
    for _, name, obj in zero_filled_data(out_dir):
        path = glob.glob(os.path.join(out_dir, "CMakeFiles", "setup.dir", "**", obj), recursive=True)[0]
        subprocess.run([objcopy, "--rename-section", "%s=.bss%s,alloc" % (name, name[5:]), path], check=True)
    if subprocess.run(["bash", "-c", cmd], cwd=out_dir, capture_output=True).returncode != 0:
        return None
    return os.path.getsize(os.path.join(out_dir, "SETUP.EXE"))


def measure_executables(args):
    rows = []
    for label, build, objdump in (("i686", args.win32, "i686-w64-mingw32-objdump"),
                                  ("x86_64", args.win64, "x86_64-w64-mingw32-objdump")):
        exe = os.path.join(build, "SETUP.EXE")
        imports = objdump_imports(objdump, exe)
        crt = [d for d in imports if d.startswith(CRT_DLLS)]
        zeros = zero_filled_data(build)
        relinked = relinked_with_bss(build, objdump.replace("objdump", "objcopy"),
                                     os.path.join(args.work, "relink-" + label)) if zeros else None
        rows.append({"arch": label, "exe": exe, "size": os.path.getsize(exe), "imports": imports, "crt": crt,
                     "stripped": is_stripped(objdump, exe), "zeros": zeros, "relinked": relinked})
    return rows


# ---- The Wine prefix ---------------------------------------------------------------

class Wine:
    def __init__(self, work, wow64=None):
        self.work = os.path.abspath(work)
        # WINEDLLPATH with the 32-bit PE DLLs (scripts/install-deps.sh): 32-bit programs
        # run in WoW64 mode; the prefix is booted with it too.
        self.wow64 = os.path.abspath(wow64) if wow64 else None
        self.template = os.path.join(self.work, "template")
        self.prefix = os.path.join(self.work, "prefix")
        self.logs = os.path.join(self.work, "logs")
        self.xvfb = None
        self.hold = None
        self.display = None
        self.log_no = 0
        self.server_trace = None
        self.server = None

    def base_env(self):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("WINEPREFIX", "WINEDEBUG", "DISPLAY", "WINEDLLOVERRIDES", "WINESERVER",
                                    "WINEARCH"))}
        env["WINEDEBUG"] = "+server" if self.server_trace else "-all"
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d"
        if self.wow64:
            env["WINEDLLPATH"] = self.wow64
        return env

    def env(self, prefix=None):
        env = self.base_env()
        env["WINEPREFIX"] = prefix or self.prefix
        if self.display:
            env["DISPLAY"] = self.display
        return env

    def next_log(self, what):
        self.log_no += 1
        return os.path.join(self.logs, "%04d-%s.log" % (self.log_no, what))

    def run(self, argv, what, prefix=None, timeout=600):
        # Wine output always goes to files: a pipe can be held open by services.
        with open(self.next_log(what), "wb") as out:
            return subprocess.run(argv, stdout=out, stderr=out, stdin=subprocess.DEVNULL, env=self.env(prefix),
                                  timeout=timeout).returncode

    def ensure_template(self):
        stamp = os.path.join(self.template, ".bench-ready")
        kind = "booted wow64\n" if self.wow64 else "booted\n"
        if os.path.exists(stamp) and open(stamp).read() == kind:
            return
        tmp = self.template + ".tmp"
        shutil.rmtree(tmp, ignore_errors=True)
        shutil.rmtree(self.template, ignore_errors=True)
        log("booting the template prefix (once)")
        # No display while booting: nothing is shown.
        saved, self.display = self.display, None
        if self.run([WINE, "wineboot", "--init"], "boot", prefix=tmp) != 0:
            raise RuntimeError("wineboot --init failed; see " + self.logs)
        self.run([WINE, "reg", "add", "HKCU\\Software\\Wine\\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD",
                  "/d", "0", "/f"], "reg", prefix=tmp)
        self.run([WINESERVER, "-w"], "boot-wait", prefix=tmp)
        self.run([WINESERVER, "-k"], "boot-kill", prefix=tmp)
        self.display = saved
        os.rename(tmp, self.template)
        open(stamp, "w").write(kind)

    def start(self):
        os.makedirs(self.logs, exist_ok=True)
        self.ensure_template()
        if os.path.exists(self.prefix):
            self.run([WINESERVER, "-k"], "old-server-kill")
            shutil.rmtree(self.prefix)
        subprocess.run(["cp", "-a", self.template, self.prefix], check=True)
        # Without a window manager (Xvfb has none) Wine waits 2 s for every managed
        # top-level window that is hidden, for a withdrawal that never comes. Windows
        # left unmanaged by the X11 driver are hidden at once.
        with open(os.path.join(self.prefix, "user.reg"), "a") as hive:
            hive.write('\n[Software\\\\Wine\\\\X11 Driver] 1700000000\n"Managed"="N"\n')
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp"], pass_fds=(write_fd,),
                                     stdout=open(os.path.join(self.logs, "xvfb.log"), "wb"), stderr=subprocess.STDOUT)
        os.close(write_fd)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_fd, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
        os.close(read_fd)
        self.display = ":" + number.decode().strip()
        if self.server_trace:
            # The server's own trace of every request (-d1 in the foreground), for the
            # counts of the remover's rows; never in a timed session.
            self.server = subprocess.Popen([WINESERVER, "-f", "-d1", "-p"], env=self.env(), stdin=subprocess.DEVNULL,
                                           stdout=open(self.server_trace, "wb"), stderr=subprocess.STDOUT)
            time.sleep(2)
        else:
            self.run([WINESERVER, "-p"], "server-start")
        self.stop_file = self.host_path("C:\\bench\\stop")

    def start_holder(self):
        # One process of the prefix stays up, so explorer and the services are not
        # ended and started again around every measured program.
        os.makedirs(os.path.dirname(self.stop_file), exist_ok=True)
        self.hold = subprocess.Popen([WINE, "C:\\bench\\tools\\bench_launch.exe", "--hold", "C:\\bench\\stop"],
                                     stdout=open(self.next_log("hold"), "wb"), stderr=subprocess.STDOUT,
                                     stdin=subprocess.DEVNULL, env=self.env())
        time.sleep(3)

    def stop(self):
        if self.hold is not None:
            open(self.stop_file, "w").close()
            try:
                self.hold.wait(timeout=20)
            except subprocess.TimeoutExpired:
                pass
        if os.path.exists(self.prefix):
            self.run([WINESERVER, "-k"], "server-kill", timeout=60)
        if self.server is not None:
            try:
                self.server.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
        if self.hold is not None and self.hold.poll() is None:
            self.hold.kill()
            self.hold.wait()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()

    def host_path(self, win_path):
        assert win_path[:3].upper() == "C:\\"
        return os.path.join(self.prefix, "drive_c", *win_path[3:].split("\\"))

    def launch(self, program, timeout=600):
        """Runs `program` (a Windows path) through bench_launch.exe; returns its record."""
        result = self.host_path("C:\\bench\\result.txt")
        if os.path.exists(result):
            os.remove(result)
        self.run([WINE, "C:\\bench\\tools\\bench_launch.exe", "C:\\bench\\result.txt", program, str(timeout)],
                 "launch", timeout=timeout + 60)
        return self.read_record(result)

    def launch_to_exit(self, argv, timeout=900):
        """Runs the command `argv` (Windows paths) through bench_launch.exe --exit, for
        programs that show no box; returns its record with exit_ms and exit_code."""
        result = self.host_path("C:\\bench\\result.txt")
        if os.path.exists(result):
            os.remove(result)
        self.run([WINE, "C:\\bench\\tools\\bench_launch.exe", "--exit", "C:\\bench\\result.txt", str(timeout)] + argv,
                 "launch-exit", timeout=timeout + 60)
        rec = self.read_record(result)
        rec["exit_code"] = int(rec["exit_code"]) if rec.get("exit_code", "").isdigit() else None
        return rec

    def host_vmhwm(self, program, image):
        """Cross-check of the launcher's memory figure: while the box of `program` is
        held, VmHWM of its process as the host's /proc shows it."""
        result = self.host_path("C:\\bench\\result.txt")
        pause = self.host_path("C:\\bench\\pause")
        for f in (result, pause, pause + ".go"):
            if os.path.exists(f):
                os.remove(f)
        with open(self.next_log("launch-pause"), "wb") as out:
            proc = subprocess.Popen([WINE, "C:\\bench\\tools\\bench_launch.exe", "C:\\bench\\result.txt", program,
                                     "120", "C:\\bench\\pause"], stdout=out, stderr=out, stdin=subprocess.DEVNULL,
                                    env=self.env())
        hwm = None
        for _ in range(6000):
            if os.path.exists(pause) or proc.poll() is not None:
                break
            time.sleep(0.02)
        want = ("WINEPREFIX=" + self.prefix).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                cmd = open("/proc/%s/cmdline" % pid, "rb").read()
                if image.encode().lower() not in cmd.lower():
                    continue
                if want not in open("/proc/%s/environ" % pid, "rb").read().split(b"\0"):
                    continue
                for line in open("/proc/%s/status" % pid):
                    if line.startswith("VmHWM:"):
                        hwm = float(line.split()[1])
            except OSError:
                continue
        open(pause + ".go", "w").close()
        proc.wait(timeout=180)
        return hwm, self.read_record(result)

    @staticmethod
    def read_record(result):
        record = {}
        if os.path.exists(result):
            for field in open(result, encoding="latin-1").read().strip().split("\t"):
                key, _, value = field.partition("=")
                record[key] = value
        for key in ("box_ms", "exit_ms", "peak_kib"):
            record[key] = float(record[key]) if key in record else float("nan")
        return record


# ---- Media -------------------------------------------------------------------------

TARGET = "C:\\bench\\target"


def write_medium(wine, name, files, file_bytes, args, extra_keys=0, build=None, peer=False, uninst_log=False):
    """C:\\bench\\<name>\\: SETUP.EXE and the reference programs of `build` (default:
    the x86_64 build), `files` files, a SETUP.INF that lists them (one file section
    each, as a script author writes it) and BENCHCOPY.LST with the same files for the
    reference copiers. With `peer`, also PEER.EXE: the NSIS installer of the same files.
    With `uninst_log`, the setup keeps an uninstall log in the target directory (so that
    every run starts without one), as real media do."""
    build = build or args.win64
    medium = wine.host_path("C:\\bench\\" + name)
    os.makedirs(medium, exist_ok=True)
    for exe, src in (("SETUP.EXE", os.path.join(build, "SETUP.EXE")),
                     ("bench_hello.exe", os.path.join(build, "bench", "bench_hello.exe")),
                     ("bench_copy.exe", os.path.join(build, "bench", "bench_copy.exe")),
                     ("bench_vercopy.exe", os.path.join(build, "bench", "bench_vercopy.exe"))):
        shutil.copyfile(src, os.path.join(medium, exe))
    names = ["f%04d.bin" % i for i in range(files)]
    for n in names:
        with open(os.path.join(medium, n), "wb") as f:
            f.write(os.urandom(file_bytes))
    if files == 0 and extra_keys == 0:
        inf = ""  # an empty script
    else:
        lines = ["[SETUP]", "Product=Bench"] + (["UninstFile=" + TARGET + "\\UNINST.INI"] if uninst_log else [])
        lines += ["[AddFiles.WIN32]"] + [n + "=" for n in names]
        for n in names:
            lines.append("[%s]" % n)
            lines += ["Note%02d=filler key %d" % (k, k) for k in range(extra_keys)]
            lines += ["RequiredCopy=1", "TargetDir=" + TARGET]
        inf = "\r\n".join(lines) + "\r\n"
    open(os.path.join(medium, "SETUP.INF"), "w", newline="").write(inf)
    open(os.path.join(medium, "BENCHCOPY.LST"), "w", newline="").write("\r\n".join([TARGET] + names) + "\r\n")
    if peer:
        write_peer(medium, names)
    return "C:\\bench\\" + name


def write_peer(medium, names):
    """PEER.EXE: an NSIS installer (Debian's makensis, 32-bit stub) of the same files
    into the same target, silent, stored without compression, ending with the box
    SETUP.EXE ends with. NSIS keeps its default integrity check of the installer."""
    lines = ["Unicode false", "SetCompress off", "SilentInstall silent", "RequestExecutionLevel user",
             'Name "Bench"', 'OutFile "PEER.EXE"', "Section"]
    if names:
        lines.append('SetOutPath "%s"' % TARGET)
        lines += ['File "%s"' % n for n in names]
    lines += ['MessageBox MB_OK "%s"' % SETUP_DONE, "SectionEnd"]
    open(os.path.join(medium, "peer.nsi"), "w").write("\n".join(lines) + "\n")
    with open(os.path.join(medium, "..", "makensis.log"), "ab") as out:
        subprocess.run(["makensis", "-V2", "peer.nsi"], cwd=medium, stdout=out, stderr=out, check=True)
    os.remove(os.path.join(medium, "peer.nsi"))


class Runner:
    def __init__(self, wine):
        self.wine = wine
        self.trouble = []

    def once(self, program, expect_text, expect_files=None):
        target = self.wine.host_path(TARGET)
        shutil.rmtree(target, ignore_errors=True)
        rec = self.wine.launch(program)
        ok = rec.get("status") == "ok" and rec.get("text") == expect_text
        if ok and expect_files is not None:
            got = len(os.listdir(target)) if os.path.isdir(target) else 0
            ok = got == expect_files
            if not ok:
                rec["status"] = "found %d files in the target, wanted %d" % (got, expect_files)
        if not ok:
            self.trouble.append("%s: status=%s text=%r" % (program, rec.get("status"), rec.get("text")))
        shutil.rmtree(target, ignore_errors=True)
        return rec

    def rounds(self, jobs, count):
        """jobs: {key: (program, text, files)}; runs every job once per round, the order
        reversed every other round. Returns {key: [records]}."""
        keys = list(jobs)
        out = {k: [] for k in keys}
        for r in range(count):
            order = keys if r % 2 == 0 else list(reversed(keys))
            for k in order:
                out[k].append(self.once(*jobs[k]))
            log("  round %d/%d done" % (r + 1, count))
        return out


SETUP_DONE = "Setup completed successfully"
COPY_DONE = "Copy completed"


def paired_ratio(a, b):
    ratios = [x / y for x, y in zip(a, b) if y > 0 and x == x and y == y]
    return median(ratios)


def measure_own(wine, args, results):
    """Rows 2 to 5: the x86_64 SETUP.EXE against reference programs of ours."""
    log("laying out the media")
    empty = write_medium(wine, "empty", 0, 0, args)
    m100 = write_medium(wine, "m100", 100, BIG_FILE_BYTES, args)
    small = {n: write_medium(wine, "s%d" % n, n, SMALL_FILE_BYTES, args) for n in (10, 100, 1000)}
    keys20 = write_medium(wine, "s1000k20", 0, 0, args)  # script only: for the profile reads
    inf = "\r\n".join(["[SETUP]", "Product=Bench", "[AddFiles.WIN32]"] + ["f%04d.bin=" % i for i in range(1000)]
                      + sum([["[f%04d.bin]" % i] + ["Note%02d=filler key %d" % (k, k) for k in range(20)]
                             + ["RequiredCopy=1", "TargetDir=" + TARGET] for i in range(1000)], [])) + "\r\n"
    open(wine.host_path(keys20 + "\\SETUP.INF"), "w", newline="").write(inf)
    runner = Runner(wine)

    log("warming up (page cache, first starts)")
    runner.once(m100 + "\\SETUP.EXE", SETUP_DONE, 100)
    runner.once(m100 + "\\bench_copy.exe", COPY_DONE, 100)
    runner.once(empty + "\\bench_hello.exe", SETUP_DONE)

    log("start-up: empty SETUP.INF against bench_hello.exe")
    results["startup"] = runner.rounds({
        "setup": (empty + "\\SETUP.EXE", SETUP_DONE, None),
        "hello": (empty + "\\bench_hello.exe", SETUP_DONE, None)}, 2 * args.rounds)
    results["hwm_check"] = [wine.host_vmhwm(empty + "\\SETUP.EXE", "SETUP.EXE"),
                            wine.host_vmhwm(empty + "\\bench_hello.exe", "bench_hello.exe")]

    log("throughput: 100 files of 1 MiB")
    results["throughput"] = runner.rounds({
        "setup0": (empty + "\\SETUP.EXE", SETUP_DONE, None),
        "copy0": (empty + "\\bench_copy.exe", COPY_DONE, 0),
        "ver0": (empty + "\\bench_vercopy.exe", COPY_DONE, 0),
        "setup": (m100 + "\\SETUP.EXE", SETUP_DONE, 100),
        "copy": (m100 + "\\bench_copy.exe", COPY_DONE, 100),
        "ver": (m100 + "\\bench_vercopy.exe", COPY_DONE, 100)}, args.rounds)

    log("growth: 10, 100 and 1000 small files")
    jobs = {"setup0": (empty + "\\SETUP.EXE", SETUP_DONE, None),
            "copy0": (empty + "\\bench_copy.exe", COPY_DONE, 0),
            "ver0": (empty + "\\bench_vercopy.exe", COPY_DONE, 0)}
    for n, medium in small.items():
        jobs["setup%d" % n] = (medium + "\\SETUP.EXE", SETUP_DONE, n)
        jobs["copy%d" % n] = (medium + "\\bench_copy.exe", COPY_DONE, n)
        jobs["ver%d" % n] = (medium + "\\bench_vercopy.exe", COPY_DONE, n)
    results["growth"] = runner.rounds(jobs, max(3, args.rounds - 2))

    log("profile reads alone")
    results["profile"] = {}
    for label, medium in (("100", small[100]), ("1000", small[1000]), ("1000k20", keys20)):
        out = wine.host_path("C:\\bench\\profile.txt")
        if os.path.exists(out):
            os.remove(out)
        wine.run([WINE, "C:\\bench\\tools\\bench_profile.exe", medium + "\\SETUP.INF", "C:\\bench\\profile.txt",
                  str(args.rounds)], "profile")
        fields = dict(f.partition("=")[::2] for f in open(out).read().strip().split("\t"))
        results["profile"][label] = ([float(x) for x in fields["ms"].split(",")], int(fields["entries"]),
                                     [float(x) for x in fields["section_ms"].split(",")])
    results.setdefault("trouble", []).extend(runner.trouble)


LOG_SIZES = (100, 1000, 5000)


def measure_log(wine, args, results):
    """Rows 8: the same media with and without an uninstall log, beside the
    version-service loop, for 100, 1000 and 5000 small files."""
    log("laying out the media with and without an uninstall log")
    empty = write_medium(wine, "empty", 0, 0, args)
    jobs = {"setup0": (empty + "\\SETUP.EXE", SETUP_DONE, None),
            "ver0": (empty + "\\bench_vercopy.exe", COPY_DONE, 0)}
    for n in LOG_SIZES:
        plain = write_medium(wine, "p%d" % n, n, SMALL_FILE_BYTES, args)
        logged = write_medium(wine, "l%d" % n, n, SMALL_FILE_BYTES, args, uninst_log=True)
        jobs["setup%d" % n] = (plain + "\\SETUP.EXE", SETUP_DONE, n)
        jobs["log%d" % n] = (logged + "\\SETUP.EXE", SETUP_DONE, n + 1)
        jobs["ver%d" % n] = (plain + "\\bench_vercopy.exe", COPY_DONE, n)
    runner = Runner(wine)
    log("warming up")
    runner.once(jobs["log100"][0], SETUP_DONE, 101)
    log("with and without the log")
    results["log"] = runner.rounds(jobs, max(3, args.rounds - 4))
    results.setdefault("trouble", []).extend(runner.trouble)

    log("the log's writes alone, call by call")
    results["logwrites"] = {}
    os.makedirs(wine.host_path("C:\\bench\\lw"), exist_ok=True)
    for n in LOG_SIZES:
        out = wine.host_path("C:\\bench\\logwrites.txt")
        if os.path.exists(out):
            os.remove(out)
        wine.run([WINE, "C:\\bench\\tools\\bench_logwrites.exe", "C:\\bench\\lw", "C:\\bench\\logwrites.txt", str(n),
                  "3"], "logwrites")
        ways = {}
        for line in open(out).read().strip().splitlines():
            fields = line.split("\t")
            ways[fields[0]] = {k: [float(x) for x in v.split(",")]
                               for k, v in (f.split("=") for f in fields[1:]) if k != "entries"}
        results["logwrites"][n] = ways


# ---- 9. The remover --------------------------------------------------------------

REMOVE_SIZES = (0, 1000, 10000)  # 0: the start-up alone, nothing to remove
REMOVE_DIR = "C:\\bench\\r"
REMOVE_LOG = "C:\\windows\\BENCHRM.INI"
REMOVE_LIST = "C:\\bench\\r.lst"
REMOVE_FILE_TEXT = b"bench\r\n"


def removal_paths(count):
    return ["%s\\f%05d.dat" % (REMOVE_DIR, i) for i in range(1, count + 1)]


def uninst_log_text(product, directory, paths):
    """The uninstall log as SETUP.EXE leaves it after installing `paths` into
    `directory`, which it created: [UNINST] at start-up, the directory when it was
    created (before its first file), then one line per file. No files, no directory."""
    lines = ["[UNINST]", "Product=" + product]
    if paths:
        lines += ["[UninstCreatedDirs]", directory + "=", "[UninstFiles]"] + [p + "=" for p in paths]
    return "\r\n".join(lines) + "\r\n"


def checkpoint_twin(path):
    """The file the remover writes its checkpoints to beside the log: the last
    character replaced by '$' (by '#' when it is a '$')."""
    return path[:-1] + ("#" if path.endswith("$") else "$")


class RemovalFailed(RuntimeError):
    """A removal that did not happen is not a time: the benchmark stops."""


def lay_out_removal(wine, paths):
    directory = wine.host_path(REMOVE_DIR)
    shutil.rmtree(directory, ignore_errors=True)
    if paths:
        os.makedirs(directory)
    for p in paths:
        with open(wine.host_path(p), "wb") as f:
            f.write(REMOVE_FILE_TEXT)


def remove_once(wine, uninst, count):
    """UNINST.EXE /S over a fresh log of `count` files; checks the end state."""
    paths = removal_paths(count)
    lay_out_removal(wine, paths)
    log_path = wine.host_path(REMOVE_LOG)
    open(log_path, "w", newline="").write(uninst_log_text("Bench Removal", REMOVE_DIR, paths))
    rec = wine.launch_to_exit([uninst, "/S", REMOVE_LOG])
    left = [p for p in (REMOVE_DIR, REMOVE_LOG, checkpoint_twin(REMOVE_LOG)) if os.path.exists(wine.host_path(p))]
    if rec.get("status") != "ok" or rec["exit_code"] != 0 or left:
        raise RemovalFailed("%s /S over %d files: status=%s exit code %s, still there: %s %s" % (
            uninst, count, rec.get("status"), rec["exit_code"], ", ".join(left) or "nothing", rec.get("text", "")))
    return rec


def delete_once(wine, deleter, count):
    """The DeleteFileA loop over the same files, laid out afresh."""
    paths = removal_paths(count)
    lay_out_removal(wine, paths)
    open(wine.host_path(REMOVE_LIST), "w", newline="").write("".join(p + "\r\n" for p in paths))
    rec = wine.launch_to_exit([deleter, REMOVE_LIST])
    directory = wine.host_path(REMOVE_DIR)
    left = len(os.listdir(directory)) if os.path.isdir(directory) else 0
    if rec.get("status") != "ok" or rec["exit_code"] != 0 or left:
        raise RemovalFailed("%s over %d files: status=%s exit code %s, %d files left" % (
            deleter, count, rec.get("status"), rec["exit_code"], left))
    shutil.rmtree(directory, ignore_errors=True)
    return rec


def measure_remove(wine, args, results, label, build, minutes):
    """Rows 9: UNINST.EXE /S of `build` over logs of 1000 and 10000 small files in one
    directory, beside the DeleteFileA loop over the same files and the loop that first
    asks of each file what the remover asks, in the same rounds (order reversed every
    other round). 1000 files in every round, at least 3; 10000
    files in as many rounds as fit in `minutes` (at least one), whatever --rounds says."""
    medium = "C:\\bench\\rm-" + label
    os.makedirs(wine.host_path(medium), exist_ok=True)
    uninst, deleter = medium + "\\UNINST.EXE", medium + "\\bench_delete.exe"
    checked = medium + "\\bench_delete_checked.exe"
    shutil.copyfile(os.path.join(build, "UNINST.EXE"), wine.host_path(uninst))
    for exe in (deleter, checked):
        shutil.copyfile(os.path.join(build, "bench", exe.rpartition("\\")[2]), wine.host_path(exe))
    part = {"uptime_before": subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip(),
            "loadavg": [], "rounds": [], "started": time.strftime("%Y-%m-%d %H:%M", time.gmtime())}
    log("remover, %s: warming up" % label)
    remove_once(wine, uninst, 1000)
    delete_once(wine, deleter, 1000)
    began = time.time()
    full_round = None
    while True:
        done = len(part["rounds"])
        full = full_round is None or time.time() - began + full_round <= minutes * 60
        if done >= 3 and not full:
            break
        sizes = REMOVE_SIZES if full else tuple(n for n in REMOVE_SIZES if n <= 1000)
        jobs = [(n, kind) for n in sizes for kind in ("uninst", "delete", "checked")]
        if done % 2:
            jobs.reverse()
        round_began = time.time()
        got = {}
        for n, kind in jobs:
            rec = remove_once(wine, uninst, n) if kind == "uninst" else \
                delete_once(wine, deleter if kind == "delete" else checked, n)
            got.setdefault(n, {})[kind] = rec["exit_ms"]
            part["loadavg"].append(float(open("/proc/loadavg").read().split()[0]))
        if full:
            full_round = time.time() - round_began
        part["rounds"].append(got)
        log("  remover %s: round %d done (%s files, %.0f s)" % (label, done + 1, "/".join(map(str, sizes)),
                                                             time.time() - round_began))
    part["seconds"] = time.time() - began
    part["uptime_after"] = subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip()
    results.setdefault("remove", {})[label] = part


def server_requests(trace, offset):
    """Requests in the server's trace from `offset` on, by name (replies not counted)."""
    with open(trace, "rb") as f:
        f.seek(offset)
        text = f.read().decode("latin-1")
    counts = {}
    for line in text.splitlines():
        head, _, rest = line.partition(": ")
        name = rest.partition("(")[0]
        if len(head) == 4 and name.isidentifier() and ") = " not in rest:
            counts[name] = counts.get(name, 0) + 1
    return counts


def count_remove_requests(args, label, build):
    """Where the remover's time goes under Wine: every file call is a request to the
    Wine server, one round trip each. Counted from the server's own trace in a session
    of its own (untimed): a run over 1000 files minus a run over none, for UNINST.EXE /S
    and the DeleteFileA loop, started straight from the host."""
    wine = Wine(args.work, args.wow64)
    wine.server_trace = os.path.join(wine.logs, "server-trace.log")
    medium = "C:\\bench\\rm-" + label
    uninst = medium + "\\UNINST.EXE"
    deleters = {"delete": medium + "\\bench_delete.exe", "checked": medium + "\\bench_delete_checked.exe"}
    got = {}
    try:
        os.makedirs(wine.logs, exist_ok=True)
        wine.start()
        os.makedirs(wine.host_path(medium), exist_ok=True)
        shutil.copyfile(os.path.join(build, "UNINST.EXE"), wine.host_path(uninst))
        for exe in deleters.values():
            shutil.copyfile(os.path.join(build, "bench", exe.rpartition("\\")[2]), wine.host_path(exe))
        for n in (0, 1000, 0, 1000):
            for kind in ("uninst", "delete", "checked"):
                paths = removal_paths(n)
                lay_out_removal(wine, paths)
                if kind == "uninst":
                    open(wine.host_path(REMOVE_LOG), "w", newline="").write(
                        uninst_log_text("Bench Removal", REMOVE_DIR, paths))
                    argv = [WINE, uninst, "/S", REMOVE_LOG]
                else:
                    open(wine.host_path(REMOVE_LIST), "w", newline="").write("".join(p + "\r\n" for p in paths))
                    argv = [WINE, deleters[kind], REMOVE_LIST]
                # The log's checkpoints are flushed to the disk: strace times those
                # flushes (the wall time inside fsync) in the counted run of 1000 files.
                flushes = os.path.join(wine.logs, "fsync-%s-%d.txt" % (kind, n))
                if shutil.which("strace") and n and kind == "uninst":
                    argv = ["strace", "-f", "-c", "-w", "--seccomp-bpf", "-e", "trace=fsync,fdatasync", "-o", flushes] + argv
                time.sleep(1)  # what the prefix does on its own settles first
                offset = os.path.getsize(wine.server_trace)
                code = wine.run(argv, "traced-" + kind)
                time.sleep(1)
                directory = wine.host_path(REMOVE_DIR)
                left = [p for p in ((REMOVE_DIR, REMOVE_LOG) if kind == "uninst" else ())
                        if os.path.exists(wine.host_path(p))]
                if code != 0 or left or (os.path.isdir(directory) and os.listdir(directory)):
                    raise RemovalFailed("traced %s over %d files: exit code %d, left: %s" % (kind, n, code, left))
                shutil.rmtree(directory, ignore_errors=True)
                # The second pair of runs is the one counted: the first warms the prefix.
                got[(kind, n)] = server_requests(wine.server_trace, offset)
    finally:
        wine.stop()
    per_file = {"fsync": None}
    flushes = os.path.join(wine.logs, "fsync-uninst-1000.txt")
    if os.path.exists(flushes):
        for line in open(flushes):
            f = line.split()
            if f and f[-1] in ("fsync", "fdatasync") and len(f) >= 5:
                calls, seconds = int(f[3]), float(f[1])
                old = per_file["fsync"] or (0, 0.0)
                per_file["fsync"] = (old[0] + calls, old[1] + seconds)
    for kind in ("uninst", "delete", "checked"):
        full, empty = got[(kind, 1000)], got[(kind, 0)]
        per_file[kind] = {k: (full.get(k, 0) - empty.get(k, 0)) / 1000.0 for k in set(full) | set(empty)}
    return per_file


def report_remove(results, L):
    for label, part in results["remove"].items():
        rounds = part["rounds"]

        def times(n, kind):
            return [r[n][kind] for r in rounds if n in r]

        def paired(a_n, a_kind, b_n, b_kind):
            return paired_ratio([r[a_n][a_kind] for r in rounds if a_n in r and b_n in r],
                                [r[b_n][b_kind] for r in rounds if a_n in r and b_n in r])

        big = len(times(10000, "uninst"))
        L.append("| 9 | %s, nothing to remove (start-up alone): UNINST.EXE /S / DeleteFileA loop, to the exit | %s / %s | - | - |"
                 % (label, fmt_ms(median(times(0, "uninst"))), fmt_ms(median(times(0, "delete")))))
        for n in (1000, 10000):
            u, d = median(times(n, "uninst")), median(times(n, "delete"))
            L.append("| 9 | %s, %d files: total time UNINST.EXE /S / DeleteFileA loop (median of %d rounds) | %s / %s | - | - |"
                     % (label, n, len(times(n, "uninst")), fmt_ms(u), fmt_ms(d)))
            L.append("| 9 | %s, %d files: time per file UNINST.EXE / DeleteFileA loop | %.3f / %.3f ms | - | - |"
                     % (label, n, u / n, d / n))
        growth = paired(10000, "uninst", 1000, "uninst")
        L.append("| 9 | **%s: ratio UNINST.EXE 10,000 / 1,000 files, total time** (median of %d paired rounds) | **%.2f** | at most 12 | %s |"
                 % (label, big, growth, goal(growth <= 12)))
        L.append("| 9 | %s: the same for the DeleteFileA loop | %.2f | - | - |" % (label, paired(10000, "delete", 1000, "delete")))
        against = paired(1000, "uninst", 1000, "delete")
        L.append("| 9 | **%s: ratio UNINST.EXE / DeleteFileA loop, 1,000 files, total time** (median of %d paired rounds) | **%.2f** | at most 2 | %s |"
                 % (label, len(times(1000, "uninst")), against, goal(against <= 2)))
        work = {n: {k: [r[n][k] - r[0][k] for r in rounds if n in r] for k in ("uninst", "delete")} for n in (1000, 10000)}
        L.append("| 9 | %s: work beyond the start-up (a run minus the empty run of its round), per file at 1,000 / 10,000: UNINST.EXE | %.3f / %.3f ms | - | - |"
                 % (label, median(work[1000]["uninst"]) / 1000, median(work[10000]["uninst"]) / 10000))
        L.append("| 9 | %s: the same, DeleteFileA loop | %.3f / %.3f ms | - | - |"
                 % (label, median(work[1000]["delete"]) / 1000, median(work[10000]["delete"]) / 10000))
        checked = {n: [r[n]["checked"] - r[0]["checked"] for r in rounds if n in r] for n in (1000, 10000)}
        L.append("| 9 | %s: the same, DeleteFileA loop asking each file first what the remover asks (attributes, SharedDLLs count; twice) | %.3f / %.3f ms | - | - |"
                 % (label, median(checked[1000]) / 1000, median(checked[10000]) / 10000))
        L.append("| 9 | %s: 1,000 files, total time of the loop asking as the remover / UNINST.EXE (paired) | %s / %s (%.2f) | - | - |"
                 % (label, fmt_ms(median(times(1000, "checked"))), fmt_ms(median(times(1000, "uninst"))),
                    paired(1000, "checked", 1000, "uninst")))
        L.append("| 9 | %s: load average (1 min) after each run: min / median / max; before: %s; after: %s | %.2f / %.2f / %.2f | - | - |"
                 % (label, part["uptime_before"].split("load average:")[-1].strip(),
                    part["uptime_after"].split("load average:")[-1].strip(),
                    min(part["loadavg"]), median(part["loadavg"]), max(part["loadavg"])))
    for label, per_file in results.get("remove_requests", {}).items():
        for kind, name in (("uninst", "UNINST.EXE /S"), ("delete", "DeleteFileA loop"),
                           ("checked", "DeleteFileA loop asking as the remover")):
            top = sorted(((v, k) for k, v in per_file[kind].items() if abs(v) >= 0.005), reverse=True)
            L.append("| 9 | %s: Wine server requests per file (1000 files minus none, untimed traced run), %s | %.2f: %s | - | - |"
                     % (label, name, sum(per_file[kind].values()), ", ".join("%s %.2f" % (k, v) for v, k in top[:8])))
        if per_file.get("fsync"):
            L.append("| 9 | %s: UNINST.EXE /S over 1000 files, flushes of the log to the disk (strace, wall time inside fsync) | %d calls, %.1f ms | - | - |"
                     % (label, per_file["fsync"][0], 1000 * per_file["fsync"][1]))


def report_log(results, L):
    gr = results["log"]
    def per_entry(key, base, n):
        return [(r["box_ms"] - b["box_ms"]) / n for r, b in zip(gr[key + str(n)], gr[base])]
    rel = {}
    for n in LOG_SIZES:
        with_log = per_entry("log", "setup0", n)
        without = per_entry("setup", "setup0", n)
        loop = per_entry("ver", "ver0", n)
        added = [a - b for a, b in zip(with_log, without)]
        own = [a - b for a, b in zip(with_log, loop)]
        rel[n] = paired_ratio(with_log, loop)
        L.append("| 8 | %d small files, time per entry: with the log / without / VerInstallFileA loop | %.3f / %.3f / %.3f ms | - | - |"
                 % (n, median(with_log), median(without), median(loop)))
        L.append("| 8 | %d small files: the log's share per entry (paired with minus without) | %.3f ms | %s | %s |"
                 % (n, median(added), "at most 0.2 ms" if n == 5000 else "-", goal(median(added) <= 0.2) if n == 5000 else "-"))
        L.append("| 8 | %d small files: SETUP.EXE's own time per entry beyond the loop, log included | %.3f ms | at most 0.3 ms | %s |"
                 % (n, median(own), goal(median(own) <= 0.3)))
    for n, ways in sorted(results.get("logwrites", {}).items()):
        a = ways["append"]
        L.append("| 8 | %d entries, the log's writes alone per entry: appended (as SETUP.EXE: CreateFileA + SetFilePointer + WriteFile + CloseHandle) / one kept handle, WriteFile only / WritePrivateProfileStringA | %.4f / %.4f / %.4f ms | - | - |"
                 % (n, median(a["ms"]) / n, median(ways["kept"]["ms"]) / n, median(ways["profile"]["ms"]) / n))
        L.append("| 8 | %d entries, the appended write per entry, call by call: CreateFileA / SetFilePointer / WriteFile / CloseHandle | %.4f / %.4f / %.4f / %.4f ms | - | - |"
                 % (n, median(a["create_ms"]) / n, median(a["seek_ms"]) / n, median(a["write_ms"]) / n, median(a["close_ms"]) / n))
    growth = rel[5000] / rel[100] if rel[100] > 0 else float("nan")
    L.append("| 8 | **time per entry with the log, 5000 against 100 entries, each against the loop of its run** | **x%.2f** | at most x1.2 | %s |"
             % (growth, goal(growth <= 1.2)))


def measure_peer(wine, args, results):
    """Row 6: the i686 SETUP.EXE, the i686 version-service loop, the i686 one-box
    program and the NSIS installer of the same media, all 32-bit in WoW64 mode."""
    log("laying out the 32-bit media and building the NSIS installers")
    media = {0: write_medium(wine, "p0", 0, 0, args, build=args.win32, peer=True),
             100: write_medium(wine, "p100", 100, BIG_FILE_BYTES, args, build=args.win32, peer=True),
             1000: write_medium(wine, "p1000", 1000, SMALL_FILE_BYTES, args, build=args.win32, peer=True)}
    runner = Runner(wine)
    log("warming up the 32-bit programs")
    for n, medium in media.items():
        for exe in ("SETUP.EXE", "bench_vercopy.exe", "PEER.EXE"):
            runner.once(medium + "\\" + exe, COPY_DONE if exe == "bench_vercopy.exe" else SETUP_DONE, n)
    jobs = {"hello": (media[0] + "\\bench_hello.exe", SETUP_DONE, None)}
    for n, medium in media.items():
        jobs["setup%d" % n] = (medium + "\\SETUP.EXE", SETUP_DONE, n)
        jobs["ver%d" % n] = (medium + "\\bench_vercopy.exe", COPY_DONE, n)
        jobs["peer%d" % n] = (medium + "\\PEER.EXE", SETUP_DONE, n)
    log("peer: start-up, 100 x 1 MiB and 1000 x 1 KiB, 32-bit in WoW64 mode")
    results["peer"] = runner.rounds(jobs, args.rounds)
    results.setdefault("trouble", []).extend(runner.trouble)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--win32", required=True)
    ap.add_argument("--win64", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--wow64", default=None, help="WINEDLLPATH holding i386-windows (scripts/install-deps.sh)")
    ap.add_argument("--rounds", type=int, default=7)
    ap.add_argument("--only", choices=("own", "peer", "log", "remove"), default=None,
                    help="only rows 1-5 (own), only rows 1 and 6 (peer), only rows 1 and 8 (log) or only rows 1 and 9 (remove)")
    ap.add_argument("--remove-minutes", type=float, default=10,
                    help="time for the remover's rounds of the x86_64 build (the i686 build gets half)")
    ap.add_argument("--out", default=None, help="also write the table to this file")
    args = ap.parse_args()
    started = time.time()

    exes = measure_executables(args)
    wine = Wine(args.work, args.wow64)
    results = {}
    try:
        wine.start()
        tools = wine.host_path("C:\\bench\\tools")
        os.makedirs(tools, exist_ok=True)
        for t in ("bench_launch.exe", "bench_profile.exe", "bench_progress.exe", "bench_logwrites.exe"):
            shutil.copyfile(os.path.join(args.win64, "bench", t), os.path.join(tools, t))
        wine.start_holder()
        if args.only in (None, "own"):
            measure_own(wine, args, results)
        if args.only in (None, "log"):
            measure_log(wine, args, results)
        if args.only in (None, "remove"):
            measure_remove(wine, args, results, "x86_64", args.win64, args.remove_minutes)
            if args.wow64:
                measure_remove(wine, args, results, "i686", args.win32, args.remove_minutes / 2)
            else:
                log("no WoW64 DLLs (--wow64): the 32-bit remover rows are left out")
        log("progress window updates alone")
        out = wine.host_path("C:\\bench\\progress.txt")
        if os.path.exists(out):
            os.remove(out)
        wine.run([WINE, "C:\\bench\\tools\\bench_progress.exe", "C:\\bench\\progress.txt", "200"], "progress")
        if os.path.exists(out):
            results["progress"] = [dict([("way", f[0])] + [x.split("=") for x in f[1:]])
                                   for f in (line.split("\t") for line in open(out).read().strip().splitlines())]
        if args.only in (None, "peer"):
            if args.wow64:
                measure_peer(wine, args, results)
            else:
                log("no WoW64 DLLs (--wow64): the 32-bit rows are left out")
    finally:
        wine.stop()
    if args.only in (None, "remove"):
        log("remover: server requests per file (traced, untimed)")
        results["remove_requests"] = {"x86_64": count_remove_requests(args, "x86_64", args.win64)}

    table = report(args, exes, results, time.time() - started)
    print(table)
    if args.out:
        open(args.out, "w").write(table)


def fmt_ms(x):
    return "%.0f ms" % x if x >= 100 else "%.1f ms" % x


def goal(ok):
    return "met" if ok else "**missed**"


def report_peer(pe, L):
    """Row 6: 32-bit programs in WoW64 mode. Work = a run minus the same program's run
    with nothing to install in the same round."""
    def box(key):
        return [r["box_ms"] for r in pe[key]]

    def work(key, n):
        return [r["box_ms"] - b["box_ms"] for r, b in zip(pe[key + str(n)], pe[key + "0"])]

    rounds = len(pe["hello"])
    s0, h0, p0 = box("setup0"), box("hello"), box("peer0")
    ratio_start = paired_ratio(s0, h0)
    L.append("| 6 | start-up, 32-bit: empty SETUP.INF / bench_hello.exe / empty NSIS installer, CreateProcess to the box | %s / %s / %s | - | - |"
             % (fmt_ms(median(s0)), fmt_ms(median(h0)), fmt_ms(median(p0))))
    L.append("| 6 | **ratio start-up SETUP.EXE / hello**, 32-bit (median of %d paired rounds) | **%.2f** | at most 1.05 | %s |"
             % (rounds, ratio_start, goal(ratio_start <= 1.05)))
    L.append("| 6 | ratio start-up NSIS / SETUP.EXE, 32-bit | %.2f | - | - |" % paired_ratio(p0, s0))

    ws, wv, wp = work("setup", 100), work("ver", 100), work("peer", 100)
    ratio_loop = paired_ratio(ws, wv)
    L.append("| 6 | 100 x 1 MiB, 32-bit work: SETUP.EXE / VerInstallFileA loop / NSIS | %s / %s / %s | - | - |"
             % (fmt_ms(median(ws)), fmt_ms(median(wv)), fmt_ms(median(wp))))
    L.append("| 6 | **ratio SETUP.EXE / VerInstallFileA loop**, 100 x 1 MiB | **%.2f** | at most 1.10 | %s |"
             % (ratio_loop, goal(ratio_loop <= 1.10)))
    L.append("| 6 | ratio NSIS / SETUP.EXE, 100 x 1 MiB (below 1: the peer is faster) | %.2f | - | - |"
             % paired_ratio(wp, ws))

    ws, wv, wp = work("setup", 1000), work("ver", 1000), work("peer", 1000)
    own = [(s - v) / 1000 for s, v in zip(ws, wv)]
    L.append("| 6 | 1000 x 1 KiB, 32-bit, time per entry: SETUP.EXE / VerInstallFileA loop / NSIS | %.3f / %.3f / %.3f ms | - | - |"
             % (median(ws) / 1000, median(wv) / 1000, median(wp) / 1000))
    L.append("| 6 | **SETUP.EXE's own time per entry beyond the loop**, 1000 x 1 KiB (median of the paired differences) | **%.3f ms** | at most 0.3 ms | %s |"
             % (median(own), goal(median(own) <= 0.3)))
    L.append("| 6 | ratio NSIS / SETUP.EXE, 1000 x 1 KiB (below 1: the peer is faster) | %.2f | - | - |"
             % paired_ratio(wp, ws))


def report(args, exes, results, seconds):
    L = []
    L.append("| # | Figure | Measured | Goal | Verdict |")
    L.append("|---|---|---|---|---|")
    for e in exes:
        L.append("| 1 | %s SETUP.EXE (%s), stripped: %s | %d bytes (%.1f KiB) | %s | %s |" % (
            e["arch"], e["exe"], "yes" if e["stripped"] else "NO", e["size"], e["size"] / 1024,
            "at most 32 KiB" if e["arch"] == "i686" else "-",
            goal(e["size"] <= 32768) if e["arch"] == "i686" else "-"))
        L.append("| 1 | %s imports | %s | no C runtime DLL | %s |" % (
            e["arch"], ", ".join(e["imports"]), goal(not e["crt"]) if not e["crt"] else "**missed**: " + ", ".join(e["crt"])))
        if e["zeros"]:
            total = sum(z[0] for z in e["zeros"])
            top = ", ".join("%s %d" % (z[1].split("$", 1)[-1], z[0]) for z in e["zeros"][:3])
            L.append("| 1 | %s zero-filled buffers stored as initialised data | %d bytes (%s) | - | reason |" % (
                e["arch"], total, top))
            if e["relinked"]:
                L.append("| 1 | %s the same objects relinked with those buffers in .bss | %d bytes (%.1f KiB) | %s | %s |" % (
                    e["arch"], e["relinked"], e["relinked"] / 1024, "at most 32 KiB" if e["arch"] == "i686" else "-",
                    goal(e["relinked"] <= 32768) if e["arch"] == "i686" else "-"))

    if "startup" in results:
        st = results["startup"]
        s_box = [r["box_ms"] for r in st["setup"]]
        h_box = [r["box_ms"] for r in st["hello"]]
        ratio_start = paired_ratio(s_box, h_box)

        tp = results["throughput"]
        def work(key, base):
            return [r["box_ms"] - b["box_ms"] for r, b in zip(tp[key], tp[base])]
        w_setup, w_copy, w_ver = work("setup", "setup0"), work("copy", "copy0"), work("ver", "ver0")
        ratio_tp = paired_ratio(w_setup, w_copy)
        L.append("| 2 | install 100 x 1 MiB: SETUP.EXE work (time to final box minus empty-script run) | %s | - | - |"
                 % fmt_ms(median(w_setup)))
        L.append("| 2 | same files: bench_copy.exe (CopyFileA loop) work | %s | - | - |" % fmt_ms(median(w_copy)))
        L.append("| 2 | **ratio SETUP.EXE / CopyFileA loop** (median of %d paired rounds) | **%.2f** | at most 1.10 | %s |"
                 % (len(w_setup), ratio_tp, goal(ratio_tp <= 1.10)))
        L.append("| 2 | same files: bench_vercopy.exe (VerFindFileA + VerInstallFileA loop) work | %s | - | - |"
                 % fmt_ms(median(w_ver)))
        L.append("| 2 | ratio VerInstallFileA loop / CopyFileA loop (the copy method alone) | %.2f | - | reason |"
                 % paired_ratio(w_ver, w_copy))
        L.append("| 2 | ratio SETUP.EXE / VerInstallFileA loop (the setup's own share) | %.2f | - | - |"
                 % paired_ratio(w_setup, w_ver))

        gr = results["growth"]
        per_entry = {}
        # The spread of the start-up alone: a total work below it is not a figure.
        base = [r["box_ms"] for k in ("setup0", "copy0", "ver0") for r in gr[k]]
        noise = median([abs(x - median(base)) for x in base])
        for n in (10, 100, 1000):
            ws, wc, wv = ([(r["box_ms"] - b["box_ms"]) / n for r, b in zip(gr[key + str(n)], gr[key + "0"])]
                          for key in ("setup", "copy", "ver"))
            per_entry[n] = (median(ws), median(wc), median(wv))
            below = " (below the start-up noise of +-%.0f ms: not a figure)" % noise \
                if min(per_entry[n]) * n < 2 * noise else ""
            L.append("| 2 | %d small files (1 KiB) in one list: time per entry, SETUP.EXE / VerInstallFileA loop / CopyFileA loop | %.2f / %.2f / %.2f ms%s | - | - |"
                     % (n, per_entry[n][0], per_entry[n][2], per_entry[n][1], below))
        growth = per_entry[1000][0] / per_entry[100][0] if per_entry[100][0] > 0 else float("nan")
        copy_growth = per_entry[1000][1] / per_entry[100][1] if per_entry[100][1] > 0 else float("nan")
        flat = growth <= 1.25
        L.append("| 2 | growth of the time per entry from 100 to 1000 entries (SETUP.EXE) | x%.2f: %s | flat (linear total) | %s |"
                 % (growth, "flat, total grows linearly" if flat else "rises, total grows faster than linearly",
                    goal(flat)))
        ver_growth = per_entry[1000][2] / per_entry[100][2] if per_entry[100][2] > 0 else float("nan")
        L.append("| 2 | the same for the VerInstallFileA loop / the CopyFileA loop | x%.2f / x%.2f | - | %s |"
                 % (ver_growth, copy_growth, "reason" if not flat and max(copy_growth, ver_growth) >= growth else "-"))

        L.append("| 3 | start-up: empty SETUP.INF, CreateProcess to its box | %s | - | - |" % fmt_ms(median(s_box)))
        L.append("| 3 | start-up: bench_hello.exe (one MessageBoxA), CreateProcess to its box | %s | - | - |"
                 % fmt_ms(median(h_box)))
        L.append("| 3 | **ratio start-up SETUP.EXE / hello** (median of %d paired rounds) | **%.2f** | at most 1.05 | %s |"
                 % (len(s_box), ratio_start, goal(ratio_start <= 1.05)))

        s_mem = median([r["peak_kib"] for r in st["setup"]])
        h_mem = median([r["peak_kib"] for r in st["hello"]])
        L.append("| 4 | peak memory (VmHWM) with the box up: empty SETUP.INF / hello | %.0f KiB / %.0f KiB | - | - |"
                 % (s_mem, h_mem))
        L.append("| 4 | **difference SETUP.EXE - hello** | **%+.0f KiB** | at most +1024 KiB | %s |"
                 % (s_mem - h_mem, goal(s_mem - h_mem <= 1024)))
        for (hwm, rec), name in zip(results["hwm_check"], ("SETUP.EXE", "hello")):
            L.append("| 4 | cross-check, one %s run: VmHWM from the host's /proc / from GetProcessMemoryInfo | %s KiB / %.0f KiB | - | - |"
                     % (name, "%.0f" % hwm if hwm is not None else "not found", rec["peak_kib"]))
        m_setup = median([r["peak_kib"] for r in tp["setup"]])
        m_copy = median([r["peak_kib"] for r in tp["copy"]])
        L.append("| 4 | peak memory, 100 x 1 MiB: SETUP.EXE / CopyFileA loop (difference) | %.0f KiB / %.0f KiB (%+.0f KiB) | at most +1024 KiB | %s |"
                 % (m_setup, m_copy, m_setup - m_copy, goal(m_setup - m_copy <= 1024)))

        prof = results["profile"]
        p100 = median(prof["100"][0]) / prof["100"][1]
        p1000 = median(prof["1000"][0]) / prof["1000"][1]
        pk20 = median(prof["1000k20"][0]) / prof["1000k20"][1]
        L.append("| 5 | profile reads alone, key by key (key list + 4 keys per entry), per entry: 100 / 1000 entries | %.3f ms / %.3f ms | - | - |"
                 % (p100, p1000))
        L.append("| 5 | the same, 1000 entries with 20 more keys in every file section | %.3f ms | - | - |" % pk20)
        s100 = median(prof["100"][2]) / prof["100"][1]
        s1000 = median(prof["1000"][2]) / prof["1000"][1]
        L.append("| 5 | key list + each entry's section read at once (as SETUP.EXE reads), per entry: 100 / 1000 entries / 1000 with 20 more keys | %.3f ms / %.3f ms / %.3f ms | - | - |"
                 % (s100, s1000, median(prof["1000k20"][2]) / prof["1000k20"][1]))
        own = per_entry[1000][0] - per_entry[1000][2]
        L.append("| 5 | SETUP.EXE's own time per entry beyond the VerInstallFileA loop, 1000 entries; its script reads | %.2f ms; %.2f ms | - | - |"
                 % (own, s1000))
        share100 = s100 / per_entry[100][0] if per_entry[100][0] > 0 else float("nan")
        share1000 = s1000 / per_entry[1000][0] if per_entry[1000][0] > 0 else float("nan")
        dominate = share1000 > 0.5
        L.append("| 5 | share of the script reads in SETUP.EXE's time per entry: 100 / 1000 entries | %.0f%% / %.0f%% | - | %s |"
                 % (100 * share100, 100 * share1000, "dominate" if dominate else "do not dominate"))
    if "log" in results:
        report_log(results, L)
    if "peer" in results:
        report_peer(results["peer"], L)
    if "remove" in results:
        report_remove(results, L)
    for w in results.get("progress", []):
        L.append("| 7 | progress window, one file line (x86_64, 9 blocks of 200): %s | %s us; %s messages, %s paints per update | - | - |"
                 % (w["way"], w["us"], w["messages"], w["paints"]))

    options = "" if args.rounds == 7 else " --rounds %d" % args.rounds
    options += " --only %s" % args.only if args.only else ""
    head = ["Command: `bash bench/run.sh%s` (SETUP.EXE from %s and %s; %d rounds; %.0f s; load average at the end: %s)"
            % (options, args.win32, args.win64, args.rounds, seconds,
               open("/proc/loadavg").read().split()[0]), ""]
    tail = []
    if results.get("trouble"):
        tail += ["", "Runs that did not end as expected (their figures are in the medians):"]
        tail += ["- " + t for t in results["trouble"]]
    return "\n".join(head + L + tail) + "\n"


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the hand-made seed inputs of fuzz/corpus/.

The targets read their input through FuzzedDataProvider: integers and booleans come
from the end of the input, strings from the front. Input builds a byte string in
that layout, so that a seed says in readable form what the target will see.
Scripts that the native tests used can be added with --scripts DIR (one file per
script, as tests/seed_harvest_test.cpp writes them).

    python3 fuzz/make_seeds.py [--scripts DIR]
"""
import argparse
import hashlib
import os

HERE = os.path.dirname(os.path.abspath(__file__))


class Input:
    def __init__(self):
        self.front = bytearray()
        self.back = []  # in the order the target reads them

    def integral(self, value, lo, hi):
        span = hi - lo
        v = value - lo
        assert 0 <= v <= span, (value, lo, hi)
        read = []
        offset = 0
        while offset < 64 and (span >> offset) > 0:
            read.append(0)
            offset += 8
        for i in range(len(read)):
            read[i] = (v >> (8 * (len(read) - 1 - i))) & 0xFF
        self.back.extend(read)
        return self

    def boolean(self, b):
        return self.integral(1 if b else 0, 0, 255)

    def uint(self, value, bits):
        return self.integral(value, 0, (1 << bits) - 1)

    def text(self, s):
        """A ConsumeRandomLengthString string that ends where the text ends."""
        data = s.encode('latin-1') if isinstance(s, str) else s
        for c in data:
            self.front.append(c)
            if c == 0x5C:
                self.front.append(0x5C)
        self.front += b'\\E'
        return self

    def rest(self, s):
        data = s.encode('latin-1') if isinstance(s, str) else s
        self.front += data
        return self

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))


def write(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


# --- expand_macros ---------------------------------------------------------------
def macro_seed(text, capacity=260, env=(), setup=None):
    setup = setup or {}
    i = Input()
    for field in ['INFFILE', 'SRCDIR', 'TARGETDIR', 'WINDIR', 'WINSYSDIR', 'SRCFILE', 'TARGETFILE']:
        i.text(setup.get(field, {'INFFILE': 'C:\\MEDIA\\SETUP.INF', 'SRCDIR': 'C:\\MEDIA\\',
                                 'WINDIR': 'C:\\WINDOWS\\', 'WINSYSDIR': 'C:\\WINDOWS\\SYSTEM\\'}.get(field, '')))
    i.text(setup.get('PRODUCTNAME', 'Widget'))
    i.integral(len(env), 0, 4)
    for name, value in env:
        i.boolean(False).text(name).boolean(False).text(value)
    i.integral(capacity, 1, 600)
    i.rest(text)
    return i.bytes()


def expand_macros_seeds():
    cases = {
        'windir-system': macro_seed('%WINDIR%SYSTEM'),
        'case-of-names': macro_seed('%windir%%SrcDir%'),
        'doubled-percent': macro_seed('100%% %%WINDIR%%'),
        'lone-percent': macro_seed('50% a%b'),
        'pairing-from-left': macro_seed('%A%B%C%', env=[('A', 'x'), ('C', 'z')]),
        'unknown-name': macro_seed('%NOSUCHNAME%x'),
        'value-with-percent': macro_seed('%P%', env=[('P', '%WINDIR%')]),
        'long-path-cut': macro_seed('%PATH%;tail', env=[('PATH', 'C:\\' + 'p' * 300)]),
        'name-of-80': macro_seed('%' + 'N' * 80 + '%', env=[('N' * 80, 'v')]),
        'small-buffer': macro_seed('%WINDIR%%WINDIR%', capacity=80),
        'one-byte-buffer': macro_seed('%WINDIR%', capacity=1),
        'long-product': macro_seed('%PRODUCTNAME%%PRODUCTNAME%%PRODUCTNAME%', setup={'PRODUCTNAME': 'P' * 127}),
        'empty': macro_seed(''),
    }
    for name, data in cases.items():
        write('expand_macros', name, data)


# --- split_command_line ----------------------------------------------------------
def split_seed(tail, first='C:\\MEDIA\\SETUP.EXE', failure=None):
    i = Input()
    i.boolean(failure is not None)
    if failure is not None:
        call, nth = failure
        i.integral(call, 0, 1).integral(nth, 1, 8)
    i.boolean(False).text(first)
    i.rest(tail)
    return i.bytes()


def split_command_line_seeds():
    cases = {
        'empty': split_seed(''),
        'blanks-and-tabs': split_seed('a  \t b  '),
        'empty-quoted': split_seed('a "" b'),
        'empty-quoted-at-end': split_seed('a ""'),
        'joined-quotes': split_seed('ab"c d"ef'),
        'backslash-before-quote': split_seed('"C:\\dir\\" x'),
        'unclosed-quote': split_seed('a "b c'),
        'lone-quote': split_seed('"'),
        'first-with-blank': split_seed('/uninst', first='C:\\Program Files\\SETUP.EXE'),
        'many-arguments': split_seed(' '.join('a%d' % n for n in range(200))),
        'argument-of-300': split_seed('x' * 300 + ' y'),
        'quoted-argument-of-260': split_seed('"' + ' ' * 260 + '"'),
        'first-of-1024': split_seed('a', first='f' * 1024),
        'pool-failure': split_seed('a b c', failure=(0, 2)),
        'grow-failure': split_seed(' '.join(['a'] * 130), failure=(1, 1)),
    }
    for name, data in cases.items():
        write('split_command_line', name, data)


# --- parse_options ---------------------------------------------------------------
NAMES = ["/uninst", "/a", "-a", "/ab", "/n", "-x", "/", "-", "pos", "rest", "", "/A:"]
ARGS = ["/uninst", "-UNINST:abc", "/a", "/a:", "/ab:12", "-5", "/n:-5", "0x1F", "zz", " -3", "\\/x", "abc", "",
        "/uninstall", "/n", "1f"]


def options_seed(rows, arguments, flags=0):
    """rows: (name, flags, type, size); arguments: texts."""
    i = Input()
    i.integral(len(rows), 0, 8)
    for name, row_flags, kind, size in rows:
        if name in NAMES:
            i.boolean(True).integral(NAMES.index(name), 0, 11)
        else:
            i.boolean(False).text(name)
        i.uint(row_flags, 16).integral(kind, 0, 15)
        i.boolean(False).integral(size, 0, 300)
    i.boolean(False).integral(flags, 0, 15)
    i.integral(len(arguments), 0, 10)
    for a in arguments:
        i.boolean(False).text(a)
    return i.bytes()


def parse_options_seeds():
    uninst = [('/uninst', 0, 4, 261)]
    cases = {
        'uninst-alone': options_seed(uninst, ['/uninst']),
        'uninst-value': options_seed(uninst, ['/uninst', 'abc']),
        'uninst-colon': options_seed(uninst, ['-UNINST:abc']),
        'uninst-twice': options_seed(uninst, ['/uninst:a', '/uninst:b']),
        'positional-no-room': options_seed(uninst, ['abc']),
        'unmatched': options_seed(uninst, ['/x'], flags=1),
        'numbers': options_seed([('/n', 0, 7, 4), ('/u', 0, 8, 4), ('/h', 0, 10, 4), ('/b', 0, 2, 1)],
                                ['/n:-5', '/u', ' -3', '/h:0x1F', '/b:300'], flags=1),
        'rest-gathers': options_seed([('file', 1, 4, 8), ('rest', 0, 11, 12)], ['a', 'b', '/c', 'd', 'eeeeeeeeee']),
        'escaped-string': options_seed([('/e', 0, 12, 5)], ['/e', '\\/x']),
        'size-zero-rows': options_seed([('/t', 0, 4, 0), ('/f', 0, 1, 0)], ['/t:', '/f', '/t:abc'], flags=1),
        'narrow-destinations': options_seed([('/n', 0, 7, 2), ('/f', 0, 1, 1), ('on', 0, 1, 3)],
                                            ['/n:65539', '/f', 'yes'], flags=1),
        'first-value': options_seed([('rest', 0, 11, 20)], ['a', 'b'], flags=2),
        'keep-values': options_seed([('/s', 0, 4, 4), ('/k', 2, 4, 4)], ['/s:abcdef'], flags=8),
        'no-arguments': options_seed(uninst, []),
    }
    for name, data in cases.items():
        write('parse_options', name, data)


# --- profile_reader --------------------------------------------------------------
def profile_raw_seed(text, queries):
    """queries: (mode, section or None, key or None, default or None, size)."""
    i = Input()
    i.boolean(False)  # raw mode
    i.text(text)
    i.integral(len(queries), 1, 8)
    for mode, section, key, default, size in queries:
        if section is None:
            i.integral(2, 0, 2).text('')
        else:
            i.integral(1, 0, 2).text(section)
        if key is None:
            i.integral(3, 0, 3).text('')
        else:
            i.integral(1, 0, 3).text(key)
        if section is None:
            i.boolean(True)
        i.text(default or '').boolean(default is not None)
        i.boolean(False).integral(size, 0, 1100)
        i.integral(mode, 0, 3)
        if mode == 2:
            i.uint(7, 32)
    return i.bytes()


def profile_reader_seeds():
    script = ('[SETUP]\r\nProduct = "Widget" \r\nRequireMajorVersion=4x\r\n; comment\r\n[AddFiles.WIN32]\r\n'
              'a.dll=\r\nb.dll\r\n=x\r\nc.dll=1\r\n[setup]\r\nProduct=second\r\n')
    cases = {
        'value-and-list': profile_raw_seed(script, [(0, 'SETUP', 'Product', 'd', 260), (0, 'AddFiles.WIN32', None, None, 1024),
                                                    (2, 'SETUP', 'RequireMajorVersion', None, 0), (3, 'AddFiles.WIN32', '', None, 0)]),
        'section-list': profile_raw_seed(script, [(0, None, None, None, 30)]),
        'cut-values': profile_raw_seed('[S]\r\nk=' + 'v' * 400 + '\r\n', [(0, 'S', 'k', None, 1), (0, 'S', 'k', None, 2),
                                                                        (0, 'S', 'k', None, 260)]),
        'cut-list': profile_raw_seed('[S]\r\n' + ''.join('key%03d=\r\n' % n for n in range(200)),
                                     [(0, 'S', None, None, 1024), (0, 'S', None, None, 3), (3, 'S', '', None, 0)]),
        'empty-key-name': profile_raw_seed(script, [(0, 'SETUP', '', 'd', 10)]),
        'binary': profile_raw_seed(bytes(range(256)) * 2, [(0, 'SETUP', 'Product', 'd', 100), (3, 'SETUP', '', None, 0)]),
        'huge-number': profile_raw_seed('[S]\r\nn=99999999999999999999\r\nm=-2147483649\r\n',
                                        [(2, 'S', 'n', None, 0), (2, 'S', 'm', None, 0)]),
    }
    for name, data in cases.items():
        write('profile_reader', name, data)


# --- whole_run -------------------------------------------------------------------
def whole_run_seed(script, windows=1, files=(True, True, True, True), outcomes=(), answers=(), tail=''):
    """A run with the given script; source files a.dll, B.EXE, plug.dll, OTHER.INI."""
    i = Input()
    i.integral(windows, 0, 3)
    i.integral(1, 0, 7)  # usual medium
    i.integral(1, 0, 7)  # usual Windows directory
    i.integral(0, 0, 6)  # registry values
    i.integral(0, 0, 3)  # environment
    for present in files:
        i.boolean(present)
        if present:
            i.text('content').uint(3, 8)
    for _ in range(3):
        i.boolean(False)  # components
    i.integral(len(outcomes), 0, 6)
    for bits in outcomes:
        i.boolean(False).uint(bits, 32).boolean(False)
    i.integral(len(answers), 0, 8)
    for answer in answers:
        i.boolean(False).integral(answer, -2**31, 2**31 - 1)
    i.integral(0, 0, 2)  # failures
    i.text(tail)
    i.boolean(False)  # raw script
    i.rest(script)
    return i.bytes()


SAMPLE = ('[SETUP]\r\nProduct=Sample Viewer\r\nRequireMajorVersion=4\r\nInitialPrompt=1\r\nUninstFile=SAMPLEUN.INI\r\n'
          '[AddFiles.WIN32]\r\nB.EXE=\r\na.dll=\r\n[B.EXE]\r\nTargetDir=%WINDIR%SAMPLE\\\r\nExecParam=/setup\r\n'
          'UninstExecParam=/remove\r\n[a.dll]\r\nRequiredCopy=0\r\n[ExecFiles.WIN32]\r\nB.EXE=\r\n'
          '[RegisterFiles.WIN32]\r\na.dll=\r\n[SetEnv.WIN32]\r\nAPPDIR=\r\n[APPDIR]\r\nDataFrom=ENVIRONMENT\r\n'
          'EnvironmentValue=%WINDIR%SAMPLE\r\nEndWithBackslash=1\r\n')


def whole_run_seeds(script_dir):
    cases = {
        'sample': whole_run_seed(SAMPLE, answers=[6]),
        'sample-win95': whole_run_seed(SAMPLE, windows=0, answers=[6]),
        'older-source-kept': whole_run_seed(SAMPLE, outcomes=[0x7, 0], answers=[6, 6]),
        'older-source-replaced': whole_run_seed(SAMPLE, outcomes=[0x7, 0x81], answers=[6, 7, 6]),
        'in-use-restart': whole_run_seed(SAMPLE, outcomes=[0x81, 0x281], answers=[6, 6]),
        'copy-errors': whole_run_seed(SAMPLE, outcomes=[0x10000, 0x40000], answers=[6]),
        'declined': whole_run_seed(SAMPLE, answers=[7]),
        'no-script': whole_run_seed(''),
        'percent-everywhere': whole_run_seed(SAMPLE.replace('=', '=%%%')),
        'command-line': whole_run_seed(SAMPLE, tail='/uninst "a b" -UNINST:x'),
    }
    for name, data in cases.items():
        write('whole_run', name, data)
    if script_dir:
        for name in sorted(os.listdir(script_dir)):
            with open(os.path.join(script_dir, name), 'rb') as f:
                script = f.read()
            digest = hashlib.sha1(script).hexdigest()[:12]
            write('whole_run', 'test-script-' + digest, whole_run_seed(script, answers=[6, 6, 6]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--scripts', help='folder of scripts harvested from the native tests')
    args = parser.parse_args()
    expand_macros_seeds()
    split_command_line_seeds()
    parse_options_seeds()
    profile_reader_seeds()
    whole_run_seeds(args.scripts)


if __name__ == '__main__':
    main()

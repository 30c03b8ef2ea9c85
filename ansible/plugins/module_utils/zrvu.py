# -*- coding: utf-8 -*-
# Shared code of the zrvu.instruments modules: running zrvu-cli --json and
# reading its JSON Lines. The instrument protocol lives in zrvu-cli only.

from __future__ import absolute_import, division, print_function

import json
import os
import re

__metaclass__ = type

LINK_OPTIONS = dict(
    udp=dict(type='str'),
    serial=dict(type='str'),
    baud=dict(type='int'),
    databits=dict(type='int', choices=[5, 6, 7, 8]),
    parity=dict(type='str', choices=['none', 'even', 'odd', 'space', 'mark']),
    stopbits=dict(type='str', choices=['1', '1.5', '2']),
    address=dict(type='int', default=1),
    encrypt=dict(type='bool'),
    lang=dict(type='str', default='en_US', choices=['en_US', 'zh_CH', 'zh_TW']),
    cli=dict(type='path'),
    chdir=dict(type='path'),
)

LINK_MUTUALLY_EXCLUSIVE = [['udp', 'serial']]

# Item names as the instruments ship them (Simplified and Traditional
# Chinese) and as English firmware names them.
STATION_NAMES = ('站点名称', '站點名稱', 'Station name')
MODEL_NAMES = ('设备型号', '設備型號', 'Model')
FIRMWARE_NAMES = ('软件版本', '軟體版本', '固件版本', '韌體版本', 'Firmware version', 'Software version')

DEFAULT_PROTECTED = '设备地址,站点名称,IP'


def link_options(**extra):
    options = dict(LINK_OPTIONS)
    options.update(extra)
    return options


class ZrvuCli(object):
    """One module's runs of zrvu-cli with the module's link options."""

    def __init__(self, module):
        self.module = module
        p = module.params
        if p['address'] is not None and not 1 <= p['address'] <= 255:
            module.fail_json(msg='address must be from 1 to 255, not %d' % p['address'], error_code='BadValue')
        serial_only = [k for k in ('baud', 'databits', 'parity', 'stopbits') if p.get(k) is not None]
        if serial_only and not p.get('serial'):
            module.fail_json(msg='%s need serial' % ', '.join(serial_only), error_code='Usage')
        if p.get('chdir') and not os.path.isdir(p['chdir']):
            module.fail_json(msg='chdir %s is not a folder' % p['chdir'], error_code='FileOpenFailed')
        if p.get('cli'):
            self.cli = p['cli']
        else:
            self.cli = module.get_bin_path('zrvu-cli', required=False)
            if not self.cli:
                module.fail_json(msg='zrvu-cli was not found on PATH; give its path as cli', error_code='NoCli')

    def link_args(self):
        p = self.module.params
        args = ['--json', '--lang', p['lang']]
        if p.get('udp'):
            args += ['--udp', p['udp']]
        if p.get('serial'):
            args += ['--serial', p['serial']]
        for key in ('baud', 'databits', 'parity', 'stopbits'):
            if p.get(key) is not None:
                args += ['--' + key, str(p[key])]
        if p.get('address') is not None:
            args += ['--address', str(p['address'])]
        if p.get('encrypt') is True:
            args.append('--encrypt')
        elif p.get('encrypt') is False:
            args.append('--no-encrypt')
        return args

    def working_dir(self):
        return self.module.params.get('chdir') or os.getcwd()

    def host_path(self, path):
        """A path zrvu-cli printed, absolute on the managed host (None stays None)."""
        if not path:
            return None
        return os.path.normpath(os.path.join(self.working_dir(), path))

    def run(self, command, *args, **kwargs):
        """Runs one command; returns (records, result, stderr). A result whose
        status is not in `accept` fails the task, with `fail_extra` added."""
        accept = kwargs.get('accept', ('ok',))
        fail_extra = kwargs.get('fail_extra')
        cmd = [self.cli] + self.link_args() + [command] + [str(a) for a in args]
        rc, out, err = self.module.run_command(cmd, cwd=self.module.params.get('chdir'),
                                               environ_update={'LC_ALL': 'C.UTF-8'})
        records, result = parse_json_lines(out)
        if result is None:
            # An older zrvu-cli refuses --json as an unknown option.
            self.module.fail_json(
                msg='zrvu-cli gave no JSON result (does it support --json?): %s' % (err.strip() or out.strip()),
                error_code='NoJsonResult', rc=rc, stderr=err, cmd=cmd)
        if result.get('status') not in accept:
            error = result.get('error') or {}
            extra = dict(fail_extra(records, result) if fail_extra else {})
            self.module.fail_json(msg=error.get('message') or err.strip() or 'zrvu-cli failed',
                                  error_code=error.get('code', ''), status=result.get('status'),
                                  rc=result.get('exit', rc), stderr=err, cmd=cmd, **extra)
        return records, result, err

    def read_items(self):
        records, result, _ = self.run('items')
        return [item_from_record(r) for r in records if r.get('type') == 'item']


def parse_json_lines(text):
    """The records of a run and its final result object (None when there is none)."""
    records = []
    result = None
    for line in text.splitlines():
        line = line.strip()
        if not line:
            continue
        try:
            obj = json.loads(line)
        except ValueError:
            continue
        if not isinstance(obj, dict):
            continue
        if obj.get('type') == 'result':
            result = obj
        else:
            records.append(obj)
    return records, result


def item_from_record(r):
    value = r.get('value')
    return dict(index=int(r.get('index')), name=(r.get('name') or '').strip(),
                value=None if r.get('command') else ('' if value is None else str(value).strip()),
                command=bool(r.get('command')))


def find_named(items, names):
    """The value of the first item whose name is one of names, else None."""
    wanted = [n.casefold() for n in names]
    for item in items:
        if item['name'].casefold() in wanted and not item['command']:
            return item['value']
    return None


def instrument_facts(items):
    return dict(
        items=items,
        station_name=find_named(items, STATION_NAMES),
        model=find_named(items, MODEL_NAMES),
        firmware_version=find_named(items, FIRMWARE_NAMES),
    )


# Item files, the format zrvu-cli's export writes: UTF-8 with a byte-order
# mark, "07. Name,value" per row (a command item has no comma), CR LF.
ITEM_LINE = re.compile(r'^(\d+)\.(.+)$')


def decode_item_file(data):
    if data.startswith(b'\xef\xbb\xbf'):
        return data[3:].decode('utf-8')
    try:
        return data.decode('utf-8')
    except UnicodeDecodeError:
        # What a spreadsheet on a Chinese system saves.
        return data.decode('gbk')


def parse_item_file(text):
    """Rows (index, name, value or None) of an item file; ValueError names a bad line."""
    rows = []
    for number, line in enumerate(text.split('\n'), 1):
        line = line.rstrip('\r')
        if not line.strip():
            continue
        m = ITEM_LINE.match(line)
        if not m or int(m.group(1)) > 255:
            raise ValueError('line %d is not an item row: %s' % (number, line))
        rest = m.group(2).strip()
        if ',' in rest:
            name, value = rest.split(',', 1)
            rows.append((int(m.group(1)), name.strip(), value.strip()))
        else:
            rows.append((int(m.group(1)), rest, None))
    return rows


def item_file_line(index, name, value):
    # The file's reader cuts the name at its first comma: a comma in a name
    # would move part of it into the value.
    return '%02d. %s,%s' % (index, name.replace(',', '\uff0c'), value)


def build_item_file(rows):
    return ('\ufeff' + ''.join(item_file_line(i, n, v) + '\r\n' for i, n, v in rows)).encode('utf-8')


def read_ini_value(path, section, key):
    """One value of a Qt INI file (UTF-8), or None. Enough for the settings
    the modules must agree on with zrvu-cli."""
    try:
        with open(path, 'rb') as f:
            text = f.read().decode('utf-8', 'replace')
    except (IOError, OSError):
        return None
    current = 'General'
    for raw in text.splitlines():
        line = raw.strip()
        if line.startswith('[') and line.endswith(']'):
            current = line[1:-1]
            continue
        if '=' not in line:
            continue
        k, v = line.split('=', 1)
        k = k.strip()
        if current.lower() == 'general' and '/' in k:
            sec, k = k.split('/', 1)
        else:
            sec = current
        if sec == section and k == key:
            v = v.strip()
            if len(v) >= 2 and v[0] == '"' and v[-1] == '"':
                v = v[1:-1].replace('\\"', '"').replace('\\\\', '\\')
            return v
    return None


def config_path(working_dir):
    """config.ini as zrvu-cli picks it: the working folder's, else the
    per-user folder's."""
    local = os.path.join(working_dir, 'config.ini')
    if os.path.isfile(local):
        return local
    base = os.environ.get('XDG_DATA_HOME') or os.path.join(os.path.expanduser('~'), '.local', 'share')
    user = os.path.join(base, 'zrvu', 'config.ini')
    return user if os.path.isfile(user) else None


def protected_patterns(working_dir):
    path = config_path(working_dir)
    value = read_ini_value(path, 'write', 'protected') if path else None
    if value is None:
        value = DEFAULT_PROTECTED
    return [p.strip() for p in value.split(',') if p.strip()]


def is_protected(name, patterns):
    return any(p in name for p in patterns)

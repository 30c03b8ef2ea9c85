#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: zrvu_items
short_description: Keep a ZR instrument's items at a desired state
description:
  - Reads the instrument's items, compares them with the desired state and writes only the rows whose value
    differs, through C(zrvu-cli write).
  - C(changed) exactly when it wrote (in check mode, would write) at least one row; a second run with the same
    desired state changes nothing.
  - Rows whose name matches the C(write/protected) setting of zrvu-cli's C(config.ini) (default
    C(设备地址,站点名称,IP), matched as substrings) are left out while I(keep_protected) is true, and listed in
    C(protected).
version_added: 1.0.0
author: ZRvu developers
extends_documentation_fragment:
  - zrvu.instruments.link
options:
  items:
    description:
      - The desired values, a mapping of item name (as the instrument names it) or of item index to value.
      - Values are compared as text, without leading and trailing spaces.
      - Mutually exclusive with I(src).
    type: dict
  src:
    description:
      - An item file on the managed host, in the format C(zrvu-cli export) writes (C(07. Name,value) per row).
      - Command rows (no value) are left out.
    type: path
  keep_protected:
    description: Leave out rows matching C(write/protected).
    type: bool
    default: true
  verify:
    description: Read the items back after writing; a row that did not hold fails the task and is listed in C(mismatches).
    type: bool
    default: true
  backup:
    description:
      - Save the instrument's items into zrvu-cli's C(Backups/) before the first row is written
        (unless C(backup/enabled) is false in C(config.ini)). Nothing is written when that fails.
    type: bool
    default: true
attributes:
  check_mode:
    support: full
    description: Reads the instrument and reports what would be written; writes nothing.
  diff_mode:
    support: full
    description: The differing rows, instrument's value before and desired value after.
'''

EXAMPLES = r'''
- name: Alarm limits of every pump station
  zrvu.instruments.zrvu_items:
    udp: "{{ zrvu_udp }}"
    items:
      上限报警值: "90"
      下限报警值: "-5"
      8: "30"          # by index

- name: The whole plant file, rows that differ only
  zrvu.instruments.zrvu_items:
    udp: "{{ zrvu_udp }}"
    src: settings/{{ inventory_hostname }}.csv
  register: written

- name: Where the backup went
  ansible.builtin.debug:
    var: written.backup
'''

RETURN = r'''
rows:
  description: The differing rows, written (or, in check mode, to be written).
  returned: always
  type: list
  elements: dict
  sample: [{"index": 8, "name": "上限报警值", "before": "85.5", "after": "90", "status": "ok", "reported": "90"}]
written:
  description: Rows sent to the instrument (0 in check mode).
  returned: always
  type: int
refused:
  description: Rows the instrument refused.
  returned: always
  type: int
mismatches:
  description: Rows that did not hold when read back, with the value written and the value kept (null when the item no longer answers).
  returned: always
  type: list
  elements: dict
  sample: [{"index": 8, "written": "90", "kept": "85.5"}]
backup:
  description: Path of the backup made before writing, null when none was made.
  returned: always
  type: str
protected:
  description: Differing rows left out by I(keep_protected).
  returned: always
  type: list
  elements: dict
unknown:
  description: Rows of the desired state the instrument does not have (left out, with a warning).
  returned: always
  type: list
  elements: dict
'''

import os
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_text
from ansible_collections.zrvu.instruments.plugins.module_utils.zrvu import (
    LINK_MUTUALLY_EXCLUSIVE, ZrvuCli, build_item_file, decode_item_file, is_protected, item_file_line, link_options,
    parse_item_file, protected_patterns)


def desired_from_mapping(module, items, mapping):
    by_name = {}
    for item in items:
        by_name.setdefault(item['name'], []).append(item)
    by_index = dict((item['index'], item) for item in items)
    out = []
    for key, value in mapping.items():
        if value is None or isinstance(value, (dict, list)):
            module.fail_json(msg='the value of %s must be text or a number' % key, error_code='BadValue')
        if isinstance(value, bool):
            module.fail_json(msg='the value of %s is a YAML boolean; quote it' % key, error_code='BadValue')
        text = to_text(value).strip()
        key_text = to_text(key).strip()
        if key_text.isdigit():
            index = int(key_text)
            if index > 255:
                module.fail_json(msg='item index %d is beyond 255' % index, error_code='BadValue')
            item = by_index.get(index)
            out.append((index, item['name'] if item else key_text, text))
            continue
        named = by_name.get(key_text, [])
        if len(named) > 1:
            module.fail_json(msg='%d items are named %s; give the index' % (len(named), key_text),
                             error_code='BadValue')
        if not named:
            out.append((None, key_text, text))
        else:
            out.append((named[0]['index'], key_text, text))
    return out


def desired_from_file(module, path):
    try:
        with open(path, 'rb') as f:
            data = f.read(16 * 1024 * 1024 + 1)
    except (IOError, OSError) as e:
        module.fail_json(msg='cannot read %s: %s' % (path, e), error_code='FileOpenFailed')
    if len(data) > 16 * 1024 * 1024:
        module.fail_json(msg='%s is larger than 16 MB' % path, error_code='BadValue')
    try:
        rows = parse_item_file(decode_item_file(data))
    except (UnicodeDecodeError, ValueError) as e:
        module.fail_json(msg='%s: %s' % (path, e), error_code='BadValue')
    if not rows:
        module.fail_json(msg='%s holds no item rows' % path, error_code='BadValue')
    return [(i, n, v) for i, n, v in rows if v is not None]


def main():
    module = AnsibleModule(
        argument_spec=link_options(
            items=dict(type='dict'),
            src=dict(type='path'),
            keep_protected=dict(type='bool', default=True),
            verify=dict(type='bool', default=True),
            backup=dict(type='bool', default=True),
        ),
        mutually_exclusive=LINK_MUTUALLY_EXCLUSIVE + [['items', 'src']],
        required_one_of=[['items', 'src']],
        supports_check_mode=True,
    )
    p = module.params
    cli = ZrvuCli(module)
    if p['src'] is not None:
        desired = desired_from_file(module, p['src'])
    current = cli.read_items()
    if p['items'] is not None:
        desired = desired_from_mapping(module, current, p['items'])

    by_index = dict((item['index'], item) for item in current)
    patterns = protected_patterns(cli.working_dir()) if p['keep_protected'] else []
    rows, protected, unknown, seen = [], [], [], {}
    for index, name, value in desired:
        item = by_index.get(index) if index is not None else None
        if item is None:
            unknown.append(dict(index=index, name=name, value=value))
            module.warn('the instrument has no item %s; left out' % (index if index is not None else name))
            continue
        if item['command']:
            module.fail_json(msg='item %d (%s) is a command item, it has no value' % (index, item['name']),
                             error_code='BadValue')
        if '\n' in value or '\r' in value:
            module.fail_json(msg='the value of item %d holds a line break' % index, error_code='BadValue')
        if index in seen and seen[index] != value:
            module.fail_json(msg='item %d is given twice with different values' % index, error_code='BadValue')
        seen[index] = value
        if item['value'] == value or any(r['index'] == index for r in rows + protected):
            continue
        row = dict(index=index, name=item['name'], before=item['value'], after=value)
        if is_protected(item['name'], patterns):
            protected.append(row)
        else:
            rows.append(row)

    result = dict(changed=bool(rows), rows=rows, written=0, refused=0, mismatches=[], backup=None,
                  protected=protected, unknown=unknown)
    if module._diff:
        result['diff'] = dict(
            before_header='instrument', after_header='desired',
            before=''.join(item_file_line(r['index'], r['name'], r['before']) + '\n' for r in rows),
            after=''.join(item_file_line(r['index'], r['name'], r['after']) + '\n' for r in rows))
    if not rows or module.check_mode:
        module.exit_json(**result)

    fd, path = tempfile.mkstemp(prefix='zrvu-items-', suffix='.csv', dir=module.tmpdir)
    with os.fdopen(fd, 'wb') as f:
        f.write(build_item_file([(r['index'], r['name'], r['after']) for r in rows]))
    args = [path]
    if p['verify']:
        args.append('--verify')
    if p['keep_protected']:
        args.append('--keep-protected')
    if not p['backup']:
        args.append('--no-backup')

    def outcome(records, res):
        reported = dict((r.get('index'), r) for r in records if r.get('type') == 'row')
        for row in rows:
            sent = reported.get(row['index'])
            row['status'] = sent.get('status') if sent else 'not sent'
            row['reported'] = sent.get('value') if sent else None
        return dict(rows=rows, written=int(res.get('written') or 0), refused=int(res.get('refused') or 0),
                    mismatches=[dict(index=r.get('index'), written=r.get('written'), kept=r.get('kept'))
                                for r in records if r.get('type') == 'mismatch'],
                    backup=cli.host_path(res.get('backup')), protected=protected, unknown=unknown,
                    changed=int(res.get('written') or 0) > 0)

    try:
        records, res, _ = cli.run('write', *args, fail_extra=outcome)
    finally:
        os.unlink(path)
    result.update(outcome(records, res))
    module.exit_json(**result)


if __name__ == '__main__':
    main()

#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: zrvu_history
short_description: Collect a ZR instrument's history records into a CSV file
description:
  - Reads the records between two dates with C(zrvu-cli history --csv) into a temporary file beside I(dest),
    and replaces I(dest) only when the content differs; C(changed) exactly when it did (or, in check mode,
    would).
  - An answer cut off exports nothing and fails the task; an older I(dest) survives it.
version_added: 1.0.0
author: ZRvu developers
extends_documentation_fragment:
  - zrvu.instruments.link
options:
  from_date:
    description: First day, C(YYYY-MM-DD).
    type: str
    required: true
    aliases: [from]
  to_date:
    description: Last day, C(YYYY-MM-DD).
    type: str
    required: true
    aliases: [to]
  dest:
    description: The CSV file on the managed host.
    type: path
    required: true
  columns:
    description: Column names to keep (C(--columns)).
    type: list
    elements: str
attributes:
  check_mode:
    support: full
    description: Reads the records (a read changes nothing on the instrument) and reports whether I(dest) would change; writes nothing.
'''

EXAMPLES = r'''
- name: Last week's records of every station
  zrvu.instruments.zrvu_history:
    udp: "{{ zrvu_udp }}"
    from: "2026-12-01"
    to: "2026-12-07"
    dest: /srv/zrvu/history/{{ inventory_hostname }}-week49.csv
'''

RETURN = r'''
dest:
  description: The CSV file (absolute path on the managed host).
  returned: always
  type: str
lines:
  description: Lines received from the instrument.
  returned: always
  type: int
'''

import filecmp
import os
import re
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zrvu.instruments.plugins.module_utils.zrvu import (
    LINK_MUTUALLY_EXCLUSIVE, ZrvuCli, link_options)

DATE = re.compile(r'^\d{4}-\d{2}-\d{2}$')


def main():
    module = AnsibleModule(
        argument_spec=link_options(
            from_date=dict(type='str', required=True, aliases=['from']),
            to_date=dict(type='str', required=True, aliases=['to']),
            dest=dict(type='path', required=True),
            columns=dict(type='list', elements='str'),
        ),
        mutually_exclusive=LINK_MUTUALLY_EXCLUSIVE,
        supports_check_mode=True,
    )
    p = module.params
    for key in ('from_date', 'to_date'):
        if not DATE.match(p[key]):
            module.fail_json(msg='%s must be YYYY-MM-DD, not %s' % (key, p[key]), error_code='Usage')
    cli = ZrvuCli(module)
    dest = os.path.abspath(p['dest'])
    folder = os.path.dirname(dest)
    if not os.path.isdir(folder):
        module.fail_json(msg='the folder of %s does not exist' % dest, error_code='FileWriteFailed')
    # Beside dest, so that the move replaces it in one step.
    fd, tmp = tempfile.mkstemp(prefix='.zrvu-history-', suffix='.csv', dir=folder)
    os.close(fd)
    try:
        args = [p['from_date'], p['to_date'], '--csv', tmp]
        if p['columns']:
            args += ['--columns', ','.join(p['columns'])]
        records, res, _ = cli.run('history', *args)
        lines = res.get('lines')
        if lines is None:
            lines = len([r for r in records if r.get('type') == 'line'])
        changed = not os.path.isfile(dest) or not filecmp.cmp(tmp, dest, shallow=False)
        if changed and not module.check_mode:
            module.atomic_move(tmp, dest)
    finally:
        if os.path.exists(tmp):
            os.unlink(tmp)
    module.exit_json(changed=changed, dest=dest, lines=lines)


if __name__ == '__main__':
    main()

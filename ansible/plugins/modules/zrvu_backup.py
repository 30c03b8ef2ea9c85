#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: zrvu_backup
short_description: Back up a ZR instrument's items into a folder
description:
  - Saves the instrument's items with C(zrvu-cli backup), as the assistant's backup does
    (C(<name>-<link>-<yyyyMMdd-HHmmss>.csv) in the export's format, the folder pruned to C(backup/keep) files per
    instrument), and returns the file's path on the managed host, ready for C(ansible.builtin.fetch).
  - Every run makes a new file, so the task is always C(changed).
  - The file can be written back with M(zrvu.instruments.zrvu_items) and I(src) to undo a change.
version_added: 1.0.0
author: ZRvu developers
extends_documentation_fragment:
  - zrvu.instruments.link
options:
  dest:
    description:
      - Folder on the managed host for the backup. Default, C(Backups/) in zrvu-cli's working folder.
    type: path
attributes:
  check_mode:
    support: full
    description: Reports that a backup would be made; reads and writes nothing.
'''

EXAMPLES = r'''
- name: Back up before the maintenance
  zrvu.instruments.zrvu_backup:
    udp: "{{ zrvu_udp }}"
    dest: /var/lib/zrvu/backups
  register: saved

- name: Keep a copy on the control node
  ansible.builtin.fetch:
    src: "{{ saved.path }}"
    dest: backups/
'''

RETURN = r'''
path:
  description: The backup file on the managed host (absolute); null in check mode.
  returned: always
  type: str
  sample: /var/lib/zrvu/backups/ZR-Demo-192.168.1.101_5000_1-20261209-201500.csv
items:
  description: Rows saved.
  returned: success, not in check mode
  type: int
'''

import os

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zrvu.instruments.plugins.module_utils.zrvu import (
    LINK_MUTUALLY_EXCLUSIVE, ZrvuCli, link_options)


def main():
    module = AnsibleModule(argument_spec=link_options(dest=dict(type='path')),
                           mutually_exclusive=LINK_MUTUALLY_EXCLUSIVE, supports_check_mode=True)
    cli = ZrvuCli(module)
    if module.check_mode:
        module.exit_json(changed=True, path=None)
    dest = module.params['dest']
    args = []
    if dest:
        dest = os.path.abspath(dest)
        if not os.path.isdir(dest):
            try:
                os.makedirs(dest)
            except OSError as e:
                module.fail_json(msg='cannot make %s: %s' % (dest, e), error_code='FileWriteFailed')
        args.append(dest)
    records, result, _ = cli.run('backup', *args)
    items = result.get('items')
    if items is None:
        items = len([r for r in records if r.get('type') == 'item'])
    module.exit_json(changed=True, path=cli.host_path(result.get('backup')), items=items)


if __name__ == '__main__':
    main()

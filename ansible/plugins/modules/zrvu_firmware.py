#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: zrvu_firmware
short_description: Flash a firmware package into a ZR instrument when its version differs
description:
  - Reads the package with C(zrvu-cli package-info) and the instrument's items, and flashes the package with
    C(zrvu-cli flash) when the instrument's firmware version item differs from the package's version
    (compared without case, spaces and a leading C(V)).
  - A package for another model is refused before anything is sent to the instrument; the package's model is
    compared with the instrument's model item; without such an item zrvu-cli's own model check
    (C(ModelMismatch)) refuses it before the erase.
  - The firmware version item is C(软件版本) (or its Traditional Chinese or English name); an instrument
    without one is flashed every run unless I(version_item) names another item.
version_added: 1.0.0
author: ZRvu developers
extends_documentation_fragment:
  - zrvu.instruments.link
options:
  package:
    description: The C(.zrbin) package on the managed host.
    type: path
    required: true
  force:
    description: Flash even when the versions are equal.
    type: bool
    default: false
  backup:
    description:
      - Save the instrument's items into C(Backups/) before flashing (the flash does not start when they cannot
        be saved). C(false) passes C(--no-backup).
    type: bool
    default: true
  version_item:
    description: Name of the item that holds the firmware version, when it is not one of the usual names.
    type: str
  model_item:
    description: Name of the item that holds the model, when it is not one of the usual names.
    type: str
attributes:
  check_mode:
    support: full
    description: Reads the package and the instrument and reports whether it would flash; sends no flash frame.
'''

EXAMPLES = r'''
- name: Firmware 2.14 everywhere
  zrvu.instruments.zrvu_firmware:
    udp: "{{ zrvu_udp }}"
    package: /srv/zrvu/Files/zr3100-2.14.zrbin
  register: flashed

- name: Flash again even at the same version
  zrvu.instruments.zrvu_firmware:
    udp: "{{ zrvu_udp }}"
    package: /srv/zrvu/Files/zr3100-2.14.zrbin
    force: true
'''

RETURN = r'''
package_model:
  description: The model the package is for.
  returned: always
  type: str
  sample: ZR3100
package_version:
  description: The package's firmware version.
  returned: always
  type: str
  sample: V2.14
instrument_model:
  description: The instrument's model item before the run, null when it has none.
  returned: always
  type: str
version_before:
  description: The instrument's firmware version item before the run, null when it has none.
  returned: always
  type: str
flashed:
  description: Whether the package was sent (false in check mode).
  returned: always
  type: bool
pages:
  description: Pages sent.
  returned: when flashed
  type: int
backup:
  description: Path of the backup made before flashing, null when none was made.
  returned: when flashed
  type: str
'''

import re

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zrvu.instruments.plugins.module_utils.zrvu import (
    FIRMWARE_NAMES, LINK_MUTUALLY_EXCLUSIVE, MODEL_NAMES, ZrvuCli, find_named, link_options)


def normal_version(text):
    return re.sub(r'^v', '', re.sub(r'\s+', '', text or '').lower())


def main():
    module = AnsibleModule(
        argument_spec=link_options(
            package=dict(type='path', required=True),
            force=dict(type='bool', default=False),
            backup=dict(type='bool', default=True),
            version_item=dict(type='str'),
            model_item=dict(type='str'),
        ),
        mutually_exclusive=LINK_MUTUALLY_EXCLUSIVE,
        supports_check_mode=True,
    )
    p = module.params
    cli = ZrvuCli(module)
    _, info, _ = cli.run('package-info', p['package'])
    package_model = (info.get('model') or '').strip()
    package_version = (info.get('version') or '').strip()

    items = cli.read_items()
    model = find_named(items, [p['model_item']] if p['model_item'] else MODEL_NAMES)
    version = find_named(items, [p['version_item']] if p['version_item'] else FIRMWARE_NAMES)
    result = dict(changed=False, flashed=False, package_model=package_model, package_version=package_version,
                  instrument_model=model, version_before=version)
    if model is not None and model.casefold() != package_model.casefold():
        module.fail_json(msg='the package is for %s, the instrument is a %s; nothing was sent'
                         % (package_model, model), error_code='ModelMismatch', **result)
    same = version is not None and package_version and normal_version(version) == normal_version(package_version)
    if same and not p['force']:
        module.exit_json(**result)
    result['changed'] = True
    if module.check_mode:
        module.exit_json(**result)
    args = [p['package']]
    if not p['backup']:
        args.append('--no-backup')
    _, res, _ = cli.run('flash', *args)
    result.update(flashed=True, pages=res.get('pages'), backup=cli.host_path(res.get('backup')))
    module.exit_json(**result)


if __name__ == '__main__':
    main()

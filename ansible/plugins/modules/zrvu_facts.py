#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: zrvu_facts
short_description: Read a ZR instrument's items as facts
description:
  - Reads the item list of one instrument with C(zrvu-cli items) and returns it as C(ansible_facts.zrvu).
  - Also returns the station name, the model and the firmware version where items of those names exist
    (C(站点名称), C(设备型号), C(软件版本) and their Traditional Chinese and English names).
version_added: 1.0.0
author: ZRvu developers
extends_documentation_fragment:
  - zrvu.instruments.link
attributes:
  check_mode:
    support: full
    description: Reading changes nothing, so check mode reads too.
'''

EXAMPLES = r'''
- name: Read the pump station's items
  zrvu.instruments.zrvu_facts:
    udp: 192.168.1.101:5000
    address: 1

- name: Show its firmware version
  ansible.builtin.debug:
    var: ansible_facts.zrvu.firmware_version
'''

RETURN = r'''
ansible_facts:
  description: Facts about the instrument.
  returned: success
  type: dict
  contains:
    zrvu:
      description: The instrument's items and what they name.
      type: dict
      contains:
        items:
          description: Every item as read, in the instrument's order.
          type: list
          elements: dict
          sample: [{"index": 11, "name": "站点名称", "value": "一号泵站", "command": false}]
        station_name:
          description: Value of the station name item, null when there is none.
          type: str
          sample: 一号泵站
        model:
          description: Value of the model item, null when there is none.
          type: str
          sample: ZR3100
        firmware_version:
          description: Value of the firmware version item, null when there is none.
          type: str
          sample: V2.13
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zrvu.instruments.plugins.module_utils.zrvu import (
    LINK_MUTUALLY_EXCLUSIVE, ZrvuCli, instrument_facts, link_options)


def main():
    module = AnsibleModule(argument_spec=link_options(), mutually_exclusive=LINK_MUTUALLY_EXCLUSIVE,
                           supports_check_mode=True)
    items = ZrvuCli(module).read_items()
    module.exit_json(changed=False, ansible_facts=dict(zrvu=instrument_facts(items)))


if __name__ == '__main__':
    main()

# -*- coding: utf-8 -*-
# The link options every module of the collection takes.


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  udp:
    description:
      - The instrument over UDP, C(ADDRESS:PORT) with an IP address (host names are refused).
      - Mutually exclusive with I(serial). Without either, zrvu-cli uses the link stored in its C(config.ini).
    type: str
  serial:
    description:
      - The instrument on a serial line, for example C(/dev/ttyUSB0) or C(COM3).
    type: str
  baud:
    description: Baud rate of the serial line.
    type: int
  databits:
    description: Data bits of the serial line.
    type: int
    choices: [5, 6, 7, 8]
  parity:
    description: Parity of the serial line.
    type: str
    choices: [none, even, odd, space, mark]
  stopbits:
    description: Stop bits of the serial line.
    type: str
    choices: ['1', '1.5', '2']
  address:
    description: Device address of the instrument.
    type: int
    default: 1
  encrypt:
    description:
      - Link encryption on (C(true)) or off (C(false)). Not given, the stored setting applies.
    type: bool
  lang:
    description:
      - Language of zrvu-cli's messages, which become the task's C(msg) on failure.
    type: str
    default: en_US
    choices: [en_US, zh_CH, zh_TW]
  cli:
    description:
      - Path of zrvu-cli on the managed host. Default, C(zrvu-cli) found on C(PATH).
    type: path
  chdir:
    description:
      - Working folder of zrvu-cli on the managed host (its C(config.ini), C(SkipItems) and C(Backups/)).
      - Default, zrvu-cli's own choice (the current folder when it holds a C(config.ini), else the per-user folder of an installed zrvu-cli).
    type: path
notes:
  - The module runs zrvu-cli with C(--json) on the managed host (C(connection=local) when the control node reaches the instruments itself). It never talks to the instrument itself.
  - On failure the task fails with zrvu-cli's message in C(msg), its error code in C(error_code) (for example C(NoAnswer), C(ModelMismatch)) and its exit status in C(rc); other hosts go on.
requirements:
  - zrvu-cli with C(--json) on the managed host
'''

# -*- coding: utf-8 -*-
# SPDX-License-Identifier: Apache-2.0

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: info
short_description: Read an Orvane receiver's settings
version_added: 0.1.0
description:
  - Reads settings of one Orvane GNSS receiver with orvanectl (C(get) for the I(keys) named,
    C(dump) for every setting) and returns them with the port's speed, sender id and
    diagnosis. Changes nothing on the receiver.
author:
  - Orvane support (@orvane)
extends_documentation_fragment:
  - orvane.receiver.connection
options:
  keys:
    description:
      - The settings to read, each as C(section.name). Every setting of C(orvanectl dump)
        when not given.
    type: list
    elements: str
notes:
  - Supports check mode; it reads the same way in either mode.
'''

EXAMPLES = r'''
- name: Read the receiver's address and elevation mask
  orvane.receiver.info:
    port: /dev/ttyUSB0
    keys:
      - ethernet.ip_address
      - solution.elevation_mask
  register: receiver

- name: Show the address
  ansible.builtin.debug:
    msg: "{{ receiver.settings['ethernet.ip_address'] }}"
'''

RETURN = r'''
settings:
  description: Each setting read, C(section.name) to its value.
  returned: success
  type: dict
  sample:
    ethernet.ip_address: 192.168.0.222
    solution.elevation_mask: "10"
speed:
  description: The serial speed the receiver answered at; null over TCP.
  returned: always
  type: int
  sample: 19200
sender:
  description: The sender id of the frames heard from the receiver.
  returned: always
  type: int
  sample: 4660
diagnosis:
  description: orvanectl's diagnosis of the port, where it gave one.
  returned: always
  type: str
rc:
  description: orvanectl's exit status.
  returned: always
  type: int
  sample: 0
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.orvane.receiver.plugins.module_utils import orvanectl


def main():
    argument_spec = dict(orvanectl.CONNECTION_SPEC)
    argument_spec.update(keys=dict(type='list', elements='str', no_log=False))
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    keys = module.params['keys']
    for key in keys or []:
        # A leading "-" would make orvanectl read the key as an option.
        if key.startswith('-'):
            module.fail_json(msg='keys: %s is not section.name' % key)
    result = orvanectl.run(module, ['get'] + list(keys) if keys else ['dump'])
    facts = dict(changed=False)
    facts.update(orvanectl.port_facts(result))
    if result.document is None or result.rc != 0:
        module.fail_json(msg=orvanectl.failure_message(result), **facts)
    values = {}
    for entry in result.entries:
        value = entry.get('after') if entry.get('after') is not None else entry.get('before')
        values[orvanectl.key_of(entry)] = value
    module.exit_json(settings=values, **facts)


if __name__ == '__main__':
    main()

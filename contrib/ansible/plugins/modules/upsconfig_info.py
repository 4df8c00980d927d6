#!/usr/bin/python
# -*- coding: utf-8 -*-
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: upsconfig_info
short_description: Read a UPS unit's status and settings with upsconfig-cli
description:
  - Reads the status (model, versions, online or standby, outlets) and every setting of a UPS
    unit attached to the managed host, from C(upsconfig-cli status) and C(upsconfig-cli show).
  - Sends nothing that changes the unit.
version_added: 1.3.0
author: upsconfig developers
extends_documentation_fragment: upsconfig.ups.cli
notes:
  - Supports check mode.
'''

EXAMPLES = r'''
- name: Read the unit
  upsconfig.ups.upsconfig_info:
  register: ups

- name: Show the model and its low-battery warning
  ansible.builtin.debug:
    msg: "{{ ups.status.model.name }}: low battery warning {{ ups.settings.bLowBattTime.meaning }}"
'''

RETURN = r'''
status:
  description: The unit's status as C(upsconfig-cli status --json) gives it.
  returned: success
  type: dict
  contains:
    device:
      description: The unit's device path.
      type: str
    model:
      description: Model code and name.
      type: dict
    versions:
      description: Hardware, power firmware and monitor firmware versions.
      type: dict
    online:
      description: True while the output is on; settings that need standby are refused then.
      type: bool
    outlets:
      description: Whether outlet group C("1") and C("2") are on.
      type: dict
    uptime_seconds:
      description: Time since the unit started, where the unit tells it.
      type: int
  sample: {"device": "/dev/hidraw0", "model": {"code": 3, "name": "KVR8-3000-120"},
           "versions": {"hardware": 1, "power_firmware": 2, "monitor_firmware": 3},
           "online": false, "outlets": {"1": true, "2": true}, "uptime_seconds": 120}
settings:
  description: Every setting the unit holds, by key, with its raw value, meaning, the group
    it belongs to and whether it changes only in standby.
  returned: success
  type: dict
  sample: {"bLowBattTime": {"raw": 2, "meaning": "2 min", "group": "Battery",
                            "standby_only": false}}
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.upsconfig.ups.plugins.module_utils.upsconfig_cli import (
    CLI_ARGUMENT_SPEC, fail_with_answer, run_cli)


def read(module, command):
    rc, answer = run_cli(module, [command])
    if not answer.get('ok'):
        fail_with_answer(module, rc, answer)
    del answer['ok']
    return answer


def main():
    module = AnsibleModule(argument_spec=CLI_ARGUMENT_SPEC, supports_check_mode=True)
    status = read(module, 'status')
    # Keyed by setting, so a play can write ups.settings.bLowBattTime.raw.
    settings = {}
    for group in read(module, 'show')['groups']:
        for s in group['settings']:
            settings[s['key']] = dict(raw=s['raw'], meaning=s['meaning'], group=group['name'],
                                      standby_only=s['standby_only'])
    module.exit_json(changed=False, status=status, settings=settings)


if __name__ == '__main__':
    main()

#!/usr/bin/python
# -*- coding: utf-8 -*-
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: upsconfig
short_description: Put settings onto a UPS unit with upsconfig-cli
description:
  - Brings the settings of a UPS unit attached to the managed host to the values of a settings
    file, the text of one, or a list of keys, the way C(upsconfig-cli apply) and
    C(upsconfig-cli set) do. Only settings that differ are written; the unit is read back
    afterwards and a difference fails the task.
  - Before every write upsconfig-cli keeps the unit's settings as read in its backups on the
    managed host (C(upsconfig-cli history), C(upsconfig-cli restore)).
  - In check mode nothing is sent to the unit; the task reports what the real run would do,
    what would change and the same failure where the real run would fail (a standby-only
    setting while the unit is online, I(rc=6)).
  - With C(--diff) every changed setting is shown before and after, with its meaning.
version_added: 1.3.0
author: upsconfig developers
extends_documentation_fragment: upsconfig.ups.cli
options:
  state:
    description:
      - C(present) puts the given settings onto the unit.
    type: str
    choices: [present]
    default: present
  settings_file:
    description:
      - A settings file (C(*.kvr)) on the managed host, for example copied there beforehand
        or written by C(upsconfig-cli export). Every setting it holds is applied.
      - Exactly one of I(settings_file), I(settings_content) and I(settings) is required.
    type: path
  settings_content:
    description:
      - The text of a settings file, typically read on the controller with
        C("{{ lookup('file', 'rack.kvr') }}"), so that the managed host needs no copy of it and
        check mode compares the controller's file with each unit.
    type: str
    version_added: 1.4.0
  settings:
    description:
      - Settings to apply, by key (the field names of a settings file, for example
        C(bLowBattTime)), each with a value as a person reads it. Settings not named stay as
        they are.
      - A number is in the setting's own unit, as C(upsconfig-cli show) prints it (C(12) for
        12 weeks, C(5) for 5 minutes, C(120) for 120 V); a text is its meaning (C(120 V),
        C(Normally Open (Default))); a raw code is written C(raw:N). A value that is not
        offered fails the task with the values that are, in the same unit.
      - A YAML boolean (C(true), C(yes), an unquoted C(On) or C(Off)), 1 or 0 stand for the
        meaning C(On) or C(Off).
      - A key must be written as in a settings file (a letter, then letters, digits and
        underscores); any other key fails the task before upsconfig-cli runs.
    type: dict
notes:
  - Settings that the unit takes only in standby (the output voltage and frequency, the
    parallel settings) are refused while the unit is online; the task fails with I(rc=6) and
    nothing is written.
  - Supports check mode and diff mode.
'''

EXAMPLES = r'''
- name: Put the controller's rack settings onto the unit (run with --check --diff first)
  upsconfig.ups.upsconfig:
    settings_content: "{{ lookup('file', 'rack.kvr') }}"

- name: Put a settings file that is on the managed host onto the unit
  upsconfig.ups.upsconfig:
    settings_file: /etc/upsconfig/rack.kvr

- name: Set two settings on the second unit of the host
  upsconfig.ups.upsconfig:
    device: "3C0A12345678"
    settings:
      bLowBattTime: 5          # minutes
      bAutoBattTestTime: 12    # weeks
      bAlarmCtrl: false

- name: Try it on a simulated unit of model 3
  upsconfig.ups.upsconfig:
    simulate: 3
    sim_state: /tmp/ups.state
    settings_file: rack.kvr
'''

RETURN = r'''
changed:
  description: True when at least one report was written to the unit; in check mode, when
    something would change.
  returned: always
  type: bool
rc:
  description: The exit code of upsconfig-cli; 3 no unit, 4 unit not opened (permission,
    busy), 5 communication lost, 6 refused (online, or a value out of range), 7 verification
    failed.
  returned: failure
  type: int
kind:
  description: The kind of failure, one of C(usage), C(failed), C(no_unit), C(no_permission),
    C(comm_lost), C(refused), C(verify_failed).
  returned: failure
  type: str
device:
  description: The unit's device path.
  returned: when the unit was reached
  type: str
model:
  description: The unit's model code and name.
  returned: when the unit was reached
  type: dict
  sample: {"code": 3, "name": "KVR8-3000-120"}
online:
  description: Whether the unit's output was on (not in standby).
  returned: when the unit was reached
  type: bool
changes:
  description: The settings that differ, with old and new raw values and their meanings.
  returned: when the unit was reached
  type: list
  elements: dict
  sample: [{"key": "bLowBattTime", "group": "Battery", "old": 2, "new": 5,
            "old_meaning": "2 min", "new_meaning": "5 min", "standby_only": false}]
ignored:
  description: Settings of the file that this model does not take, with the reason; a warning
    names them with the host.
  returned: when the unit was reached
  type: list
  elements: dict
written:
  description: True when at least one report reached the unit (also after a failed
    verification).
  returned: when the unit was reached
  type: bool
verified:
  description: Whether the read-back matched what was written; null when nothing was written.
  returned: when the unit was reached
  type: bool
mismatches:
  description: Settings the unit holds with other values than written.
  returned: when the unit was reached
  type: list
  elements: dict
backup:
  description: The settings file that upsconfig-cli kept of the unit's settings before writing.
  returned: when the unit was reached
  type: str
'''

import os
import re

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_bytes
from ansible_collections.upsconfig.ups.plugins.module_utils.upsconfig_cli import (
    CLI_ARGUMENT_SPEC, fail_with_answer, run_cli)


# A key as a settings file writes it; anything else is refused before the program runs.
KEY = re.compile(r'^[A-Za-z][A-Za-z0-9_]*$')


def set_value(value):
    # YAML reads an unquoted On or Off as a boolean; give the program the word back.
    if isinstance(value, bool):
        return 'On' if value else 'Off'
    return value


def settings_lines(changes, old_or_new):
    return ''.join('%s = %s (%s)\n' % (c['key'], c[old_or_new], c[old_or_new + '_meaning'])
                   for c in changes)


def settings_diff(answer, target):
    changes = answer.get('changes') or []
    # Names the model too: a fleet's diffs then say which kind of unit each host has.
    unit = '%s (%s)' % (answer.get('device'), (answer.get('model') or {}).get('name'))
    return dict(before_header=unit, before=settings_lines(changes, 'old'),
                after_header=target, after=settings_lines(changes, 'new'))


def main():
    module = AnsibleModule(
        argument_spec=dict(
            state=dict(type='str', choices=['present'], default='present'),
            settings_file=dict(type='path'),
            settings_content=dict(type='str'),
            settings=dict(type='dict'),
            **CLI_ARGUMENT_SPEC),
        mutually_exclusive=[('settings_file', 'settings_content', 'settings')],
        required_one_of=[('settings_file', 'settings_content', 'settings')],
        supports_check_mode=True)
    p = module.params
    if p['settings_file']:
        # Relative to the module's own working folder it would name another file.
        command = ['apply', os.path.abspath(p['settings_file'])]
    elif p['settings_content'] is not None:
        # The module's own temporary folder, private to the user and removed when it ends.
        path = os.path.join(module.tmpdir, 'settings.kvr')
        with open(path, 'wb') as f:
            f.write(to_bytes(p['settings_content'], errors='surrogate_or_strict'))
        command = ['apply', path]
    else:
        bad = [str(key) for key in p['settings'] if not KEY.match(str(key))]
        if bad:
            module.fail_json(msg='not a settings key: %s' % ', '.join(bad), changed=False)
        command = ['set'] + ['%s=%s' % (key, set_value(value))
                             for key, value in p['settings'].items()]
    # Nobody is there to answer the program's question.
    options = ['--yes']
    if module.check_mode:
        options.append('--dry-run')
    rc, answer = run_cli(module, command, options)

    result = {k: v for k, v in answer.items() if k not in ('ok', 'error')}
    written = bool(answer.get('written'))
    # Check mode foretells the run: a refused task changes nothing there either.
    if module.check_mode:
        result['changed'] = bool(answer.get('ok')) and bool(answer.get('changes'))
    else:
        result['changed'] = written
    if module._diff:
        target = p['settings_file'] or ('settings_content' if p['settings'] is None else 'settings')
        result['diff'] = settings_diff(answer, target)
    # The warning about 'ignored' comes from the action plugin, which knows the host's name.
    if not answer.get('ok'):
        fail_with_answer(module, rc, answer, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()

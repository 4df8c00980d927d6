# -*- coding: utf-8 -*-
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

# Runs upsconfig-cli with --json for the modules of this collection. The program does the work
# and the checks; the modules only choose the command and hand its answer to Ansible.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json

from ansible.module_utils.parsing.convert_bool import boolean

CLI_ARGUMENT_SPEC = dict(
    device=dict(type='str'),
    simulate=dict(type='raw', default=False),
    sim_state=dict(type='path'),
    cli_path=dict(type='str', default='upsconfig-cli'),
)


def simulate_options(value):
    """--simulate for true, --simulate=N for a model code, nothing for false."""
    if isinstance(value, bool):
        return ['--simulate'] if value else []
    text = str(value).strip()
    if text.isdigit():
        return ['--simulate=' + text]
    return ['--simulate'] if boolean(text) else []


def run_cli(module, command, options=()):
    """Runs upsconfig-cli with the unit options, OPTIONS and the words of COMMAND; returns
    (exit code, answer).

    The words follow "--", so none of them is ever taken as an option of the program.
    Fails the module when the program cannot run or gives no JSON answer; a JSON answer with
    "ok": false is returned, so the caller can add what it knows before failing.
    """
    p = module.params
    try:
        simulate = simulate_options(p['simulate'])
    except TypeError:
        module.fail_json(msg='simulate must be true, false or a model code, not %r' % p['simulate'])
    argv = [module.get_bin_path(p['cli_path'], required=True)] + simulate
    if p['device']:
        argv += ['--device', p['device']]
    if p['sim_state']:
        argv += ['--sim-state', p['sim_state']]
    rc, out, err = module.run_command(argv + list(options) + ['--json', '--'] + command)
    try:
        answer = json.loads(out)
    except ValueError:
        answer = None
    if not isinstance(answer, dict):
        module.fail_json(msg=err.strip() or 'upsconfig-cli exited with %d and no answer' % rc,
                         rc=rc, stdout=out, stderr=err)
    return rc, answer


def fail_with_answer(module, rc, answer, **result):
    """Fails the module with the program's own reason, exit code and kind of failure."""
    error = answer.get('error') or {}
    module.fail_json(msg=error.get('message') or 'upsconfig-cli exited with %d' % rc,
                     rc=error.get('exit_code', rc), kind=error.get('kind'), **result)

# -*- coding: utf-8 -*-
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

# Runs the upsconfig module as it is and names the host in the warning about settings its unit's
# model does not take. Ansible shows a warning text only once per run: without the host's name,
# hosts with the same model would share one warning and nobody could tell which they are.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

from ansible.plugins.action import ActionBase


class ActionModule(ActionBase):
    _supports_check_mode = True
    _supports_async = False

    def run(self, tmp=None, task_vars=None):
        task_vars = task_vars or {}
        result = super(ActionModule, self).run(tmp, task_vars)
        del tmp
        result.update(self._execute_module(task_vars=task_vars))
        ignored = result.get('ignored') or []
        if ignored:
            host = task_vars.get('inventory_hostname', 'this host')
            result.setdefault('warnings', []).append(
                '%s: not applied, this unit does not take: %s' % (host, ', '.join(
                    '%s (%s)' % (i.get('key'), i.get('reason')) for i in ignored)))
        return result

# -*- coding: utf-8 -*-
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

# Runs the upsconfig module as the generic action does and names the host in the warning about
# settings its unit's model does not take. Ansible shows a warning text only once per run:
# without the host's name, hosts of one model would share one warning and nobody could tell
# which hosts passed settings over.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

from ansible.plugins.action import ActionBase
from ansible.utils.vars import merge_hash


class ActionModule(ActionBase):
    _supports_check_mode = True
    _supports_async = False

    def run(self, tmp=None, task_vars=None):
        task_vars = task_vars or {}
        result = super(ActionModule, self).run(tmp, task_vars)
        del tmp
        if not result.get('skipped'):
            result = merge_hash(result, self._execute_module(task_vars=task_vars))
            ignored = ', '.join('%s (%s)' % (i.get('key'), i.get('reason'))
                                for i in result.get('ignored') or [])
            if ignored:
                host = task_vars.get('inventory_hostname', 'this host')
                result.setdefault('warnings', []).append(
                    '%s: not applied, this unit does not take: %s' % (host, ignored))
        self._remove_tmp_path(self._connection._shell.tmpdir)
        return result

# -*- coding: utf-8 -*-
# GNU General Public License v3.0+ (see https://www.gnu.org/licenses/gpl-3.0.txt)

from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):
    # The options that choose the unit and the program; both modules take them.
    DOCUMENTATION = r'''
options:
  device:
    description:
      - The unit to talk to, as a hidraw path or a serial number, when the host has several.
      - Without it the first unit found is used.
    type: str
  simulate:
    description:
      - Talk to the built-in simulated unit instead of a real one.
      - C(true) simulates the default model; a model code (an integer) simulates that model
        when its state file does not exist yet.
    type: raw
    default: false
  sim_state:
    description:
      - The state file of the simulated unit; it keeps settings, model and online state
        between runs. Only used with I(simulate).
    type: path
  cli_path:
    description:
      - The upsconfig-cli program on the managed host, a name looked up in C(PATH) or a path.
    type: str
    default: upsconfig-cli
requirements:
  - upsconfig-cli on the managed host (the Debian package upsconfig-cli; it needs no Qt or X)
'''

# -*- coding: utf-8 -*-
# SPDX-License-Identifier: Apache-2.0

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: settings
short_description: Make an Orvane receiver's settings what the task says
version_added: 0.1.0
description:
  - Applies a profile, and settings on top of it, to one Orvane GNSS receiver with
    C(orvanectl apply), which writes only what differs, reads every write back and saves
    them on the receiver.
  - A second run of the same task finds nothing to change and reports C(changed=false).
  - In check mode orvanectl only compares (C(orvanectl diff)) and nothing is written; the
    result says what would change, and C(--diff) shows it as profile text.
  - When orvanectl reports a refused, mismatched or unanswered setting, or no receiver, the
    task fails with orvanectl's diagnosis in C(msg).
author:
  - Orvane support (@orvane)
extends_documentation_fragment:
  - orvane.receiver.connection
options:
  profile:
    description:
      - A profile file on the managed host (C([section]) lines, then C(name = value) lines),
        as C(orvanectl base-profile) prints one.
      - At least one of I(profile) and I(settings) is needed.
    type: path
  settings:
    description:
      - C(section.name) keys and their values, applied on top of the profile (orvanectl's
        C(--set)); with no I(profile), these are the settings applied.
      - Numbers are sent as written; C(true) and C(false) as the receiver's C(True) and
        C(False).
    type: dict
    default: {}
  save:
    description:
      - Save the settings on the receiver after a verified apply. C(false) leaves them in
        the receiver's working memory (orvanectl's C(--no-save)).
    type: bool
    default: true
  partial:
    description:
      - Keep what was accepted and verified when some settings fail, instead of putting the
        receiver back as it was (orvanectl's C(--partial)).
    type: bool
    default: false
  journal:
    description:
      - A file on the managed host to which orvanectl appends one JSON line per run
        (orvanectl's C(--journal)).
    type: path
notes:
  - Runs on the host the receiver is attached to; for a receiver on the site network, any
    host that reaches its TCP port.
  - Supports check mode and diff mode.
'''

EXAMPLES = r'''
- name: Show what the base profile would change
  orvane.receiver.settings:
    port: /dev/serial/by-id/usb-Orvane_Receiver-if00
    profile: /etc/orvane/base.ini
  check_mode: true

- name: Apply the base profile with this site's own address
  orvane.receiver.settings:
    port: /dev/ttyUSB0
    profile: /etc/orvane/base.ini
    settings:
      ethernet.ip_address: "{{ ip_address }}"
      solution.elevation_mask: 10

- name: A receiver on the site network, one setting, not saved
  orvane.receiver.settings:
    port: tcp://192.0.2.10:55555
    settings:
      ntrip.enable: false
    save: false
'''

RETURN = r'''
changed:
  description: A setting was written, or in check mode would be.
  returned: always
  type: bool
settings:
  description: orvanectl's entry for each setting, in the profile's order.
  returned: when orvanectl reached the receiver
  type: list
  elements: dict
  sample:
    - section: solution
      name: elevation_mask
      wanted: "5"
      before: "10"
      after: "5"
      outcome: written
      status: 0
      suggestion: null
diff:
  description: The settings that differ, as profile text before and after; shown by C(--diff).
  returned: always
  type: dict
  sample:
    before_header: "tcp://192.0.2.10:55555 (before)"
    after_header: "tcp://192.0.2.10:55555 (after)"
    before: "[solution]\nelevation_mask = 10\n"
    after: "[solution]\nelevation_mask = 5\n"
sender:
  description: The sender id of the frames heard from the receiver.
  returned: always
  type: int
  sample: 4660
speed:
  description: The serial speed the receiver answered at; null over TCP.
  returned: always
  type: int
  sample: 19200
saved:
  description: The save was sent to the receiver.
  returned: always
  type: bool
rolled_back:
  description: Settings written by a failed apply were put back as they were; null when
    the orvanectl in use does not report it.
  returned: always
  type: bool
diagnosis:
  description: orvanectl's diagnosis of the port, where it gave one.
  returned: always
  type: str
rc:
  description: orvanectl's exit status.
  returned: always
  type: int
  sample: 0
msg:
  description: On failure, orvanectl's diagnosis and the failing settings.
  returned: failure
  type: str
  sample: 'solution.elevation_mask: wanted "5", reads "10" (refused, status 2)'
'''

import os

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.six import binary_type, integer_types, string_types, text_type
from ansible_collections.orvane.receiver.plugins.module_utils import orvanectl


def value_text(value):
    """A task's value as the receiver's text, or None where it has no one meaning."""
    if isinstance(value, bool):
        return 'True' if value else 'False'  # the receiver's own spelling
    if isinstance(value, (integer_types, float)):
        return str(value)
    if isinstance(value, binary_type):
        return value.decode('utf-8')
    if isinstance(value, (string_types, text_type)):
        return value
    return None


def checked_settings(module):
    settings = []
    for key, value in (module.params['settings'] or {}).items():
        section, dot, name = key.partition('.')
        if not section or not dot or not name:
            module.fail_json(msg='settings: %s is not section.name' % key)
        text = value_text(value)
        if text is None:
            module.fail_json(msg='settings: %s takes a string, number or boolean, not %s'
                             % (key, type(value).__name__))
        if '\n' in text or '\r' in text:
            module.fail_json(msg='settings: the value of %s spans lines; none can travel' % key)
        settings.append((section, name, text))
    return settings


def quoted(value):
    # A profile trims the spaces around a value and drops one outer pair of quotes: a value
    # quoted reads back exactly.
    return '"%s"' % value


def profile_text(rows, quote=False):
    """Profile text of (section, name, value) rows, a section line wherever the section changes."""
    lines = []
    section = None
    for row_section, name, value in rows:
        if row_section != section:
            lines.append('[%s]' % row_section)
            section = row_section
        if value is None:
            lines.append('# %s: not read' % name)
        else:
            lines.append('%s = %s' % (name, quoted(value) if quote else value))
    return '\n'.join(lines) + '\n' if lines else ''


def settings_file(module, settings):
    """With no profile, the settings alone make the profile orvanectl applies."""
    path = os.path.join(module.tmpdir, 'settings.ini')
    with open(path, 'w') as handle:
        handle.write(profile_text(settings, quote=True))
    return path


def command(module, settings):
    params = module.params
    if params['profile']:
        path = orvanectl.absolute(params['profile'])
        overrides = ['--set=%s.%s=%s' % row for row in settings]
    else:
        path = settings_file(module, settings)
        overrides = []
    if module.check_mode:
        if overrides:
            return ['apply', path, '--dry-run'] + overrides, (0, 1)
        return ['diff', path], (0, 1)
    line = ['apply', path] + overrides
    if not params['save']:
        line.append('--no-save')
    if params['partial']:
        line.append('--partial')
    return line, (0,)


def changes(module, entries):
    """The entries that changed the receiver, or in check mode would, and each one's after."""
    if module.check_mode:
        return [(e, e.get('wanted')) for e in entries if e.get('outcome') == 'differs']
    # A setting written and then put back by a rollback leaves the receiver as it was.
    return [(e, e.get('after')) for e in entries
            if e.get('outcome') == 'written' and e.get('restored') is not True]


def diff_of(port, changed):
    return dict(
        before_header='%s (before)' % port,
        after_header='%s (after)' % port,
        before=profile_text([(e.get('section'), e.get('name'), e.get('before')) for e, _ in changed]),
        after=profile_text([(e.get('section'), e.get('name'), after) for e, after in changed]),
    )


def main():
    argument_spec = dict(orvanectl.CONNECTION_SPEC)
    argument_spec.update(
        profile=dict(type='path'),
        settings=dict(type='dict', default={}),
        save=dict(type='bool', default=True),
        partial=dict(type='bool', default=False),
        journal=dict(type='path'),
    )
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    if not module.params['profile'] and not module.params['settings']:
        module.fail_json(msg='one of profile and settings is needed')
    settings = checked_settings(module)
    arguments, succeeded = command(module, settings)
    result = orvanectl.run(module, arguments, module.params['journal'])

    port = result.port
    changed = changes(module, result.entries)
    facts = dict(
        changed=bool(changed),
        settings=result.entries,
        diff=diff_of(module.params['port'], changed),
        saved=bool(port.get('saved')),
        rolled_back=port.get('rolled_back'),
    )
    facts.update(orvanectl.port_facts(result))
    if result.document is None or result.rc not in succeeded:
        module.fail_json(msg=orvanectl.failure_message(result), **facts)
    written = len(changed)
    facts['msg'] = '%d setting%s %s%s' % (
        written, '' if written == 1 else 's',
        'would change' if module.check_mode else 'written',
        ', saved' if facts['saved'] else '')
    # Check mode's "would change" is orvanectl's exit 1: stated here, so that Ansible does not
    # take an rc other than 0 for a failure.
    module.exit_json(failed=False, **facts)


if __name__ == '__main__':
    main()

# -*- coding: utf-8 -*-
# SPDX-License-Identifier: Apache-2.0
# Running orvanectl and reading its JSON document. orvanectl speaks to the receiver; the modules
# only turn their options into its command line and its document into Ansible's results, so
# that the playbook and a technician at the command line get the same behaviour.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os

# What every module takes to reach a receiver, as orvanectl's global options.
CONNECTION_SPEC = dict(
    port=dict(type='str', required=True),
    baud=dict(type='str', default='auto'),
    timeout_ms=dict(type='int'),
    retries=dict(type='int'),
    in_flight=dict(type='int'),
    orvanectl=dict(type='path'),
)

# Outcomes that make a run fail, as orvanectl names them.
FAILING_OUTCOMES = ('refused', 'mismatch', 'unanswered', 'unknown')


class Run(object):
    """One orvanectl run: its exit, its document (None when it printed none) and stderr."""

    def __init__(self, rc, document, stderr):
        self.rc = rc
        self.document = document
        self.stderr = stderr

    @property
    def port(self):
        """The report of the one port the run was given, or an empty dict."""
        ports = (self.document or {}).get('ports') or []
        return ports[0] if ports else {}

    @property
    def entries(self):
        return self.port.get('settings') or []


def key_of(entry):
    return '%s.%s' % (entry.get('section'), entry.get('name'))


def absolute(path):
    # A relative path would be taken from the managed host's working directory, and "-" as
    # standard input: both are made to mean the file that was named.
    return os.path.abspath(path) if path else path


def command_line(module, arguments, journal=None):
    params = module.params
    program = params['orvanectl'] or module.get_bin_path('orvanectl', required=True)
    # --option=value keeps a value starting with "-" from being read as another option.
    line = [program, '--json', '--port=' + params['port'], '--baud=' + params['baud']]
    for option, name in (('--timeout', 'timeout_ms'), ('--retries', 'retries'),
                         ('--in-flight', 'in_flight')):
        if params.get(name) is not None:
            line.append('%s=%d' % (option, params[name]))
    if journal:
        line.append('--journal=' + absolute(journal))
    return line + list(arguments)


def run(module, arguments, journal=None):
    rc, out, err = module.run_command(command_line(module, arguments, journal))
    try:
        document = json.loads(out)
    except ValueError:
        document = None
    if not isinstance(document, dict):
        document = None
    return Run(rc, document, err.strip())


def shown(value):
    return '"%s"' % value if value is not None else '?'


def failing_entry_text(entry):
    """A failed setting in the words of orvanectl's own report."""
    if entry.get('outcome') == 'unknown':
        text = '%s: the receiver has no such setting' % key_of(entry)
        if entry.get('suggestion'):
            text += '; did you mean %s?' % entry['suggestion']
        return text + ' (unknown)'
    reads = entry.get('after') if entry.get('after') is not None else entry.get('before')
    text = '%s: wanted %s, reads %s (%s' % (key_of(entry), shown(entry.get('wanted')),
                                            shown(reads), entry.get('outcome'))
    if entry.get('status') is not None:
        text += ', status %s' % entry['status']
    return text + ')'


def failure_message(result):
    """orvanectl's own diagnosis of a failed run, then the settings that failed."""
    document = result.document
    if document is None:
        return result.stderr or 'orvanectl printed no JSON document (exit %d)' % result.rc
    if document.get('error'):
        return document['error']
    words = result.port.get('diagnosis') or result.stderr
    failing = [failing_entry_text(e) for e in result.entries
               if e.get('outcome') in FAILING_OUTCOMES]
    parts = ([words] if words else []) + failing
    return '; '.join(parts) if parts else 'orvanectl exited %d' % result.rc


def port_facts(result):
    """What every module returns of the port's report."""
    port = result.port
    return dict(speed=port.get('speed'), sender=port.get('sender'),
                diagnosis=port.get('diagnosis'), rc=result.rc)

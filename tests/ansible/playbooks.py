#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# The orvane.receiver collection driven by ansible-playbook, as an operator runs it, against
# orvane-sim over a pseudo-terminal and over TCP. Each step checks the play's recap, the result
# the module returned and the simulators' own state files and logs: what Ansible says happened
# must be what happened on the receiver.
#
# Usage: playbooks.py ORVANE_SIM ORVANECTL
# Every wait polls with a generous limit, so a loaded machine only makes it slower.

import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
COLLECTIONS = os.path.join(os.path.dirname(os.path.dirname(HERE)), 'ansible')
PROFILE = ('[solution]\nelevation_mask = 5\n[ethernet]\ninterface_mode = Config\n'
           'ip_address = 192.168.7.2\ninterface_mode = Active\n')
RECAP = re.compile(r'^(\S+)\s*:\s*ok=(\d+)\s+changed=(\d+)\s+unreachable=(\d+)\s+failed=(\d+)',
                   re.M)

failures = []


def check(truth, what):
    if not truth:
        failures.append(what)
        print('FAIL: ' + what, flush=True)
    return truth


def wait_for(done, seconds):
    limit = time.monotonic() + seconds
    while not done():
        if time.monotonic() > limit:
            return False
        time.sleep(0.05)
    return True


def free_tcp_port():
    with socket.socket() as probe:
        probe.bind(('127.0.0.1', 0))
        return probe.getsockname()[1]


class Sim(object):
    """orvane-sim behind a link in its own folder, over TCP too when asked."""

    def __init__(self, exe, folder, name, arguments=(), tcp=False):
        self.link = os.path.join(folder, name)
        self.state = self.link + '.state'
        self.log_path = self.link + '.log'
        self.tcp_port = free_tcp_port() if tcp else None
        extra = ['--tcp', str(self.tcp_port)] if tcp else []
        with open(self.log_path, 'w') as log:
            self.process = subprocess.Popen(
                [exe, '--link', self.link, '--state', self.state, '--log'] + extra +
                list(arguments), stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        if not wait_for(lambda: os.path.exists(self.link) and os.path.exists(self.state), 20):
            raise RuntimeError('orvane-sim did not come up:\n' + self.log())

    @property
    def port(self):
        return 'tcp://127.0.0.1:%d' % self.tcp_port if self.tcp_port else self.link

    def store(self):
        with open(self.state) as state:
            return dict(line.rstrip('\n').split('=', 1) for line in state if '=' in line)

    def log(self):
        with open(self.log_path) as log:
            return log.read()

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


class Rig(object):
    """A scratch folder, the simulators in it, and ansible-playbook run against them."""

    def __init__(self, sim_exe, ctl_exe):
        self.folder = tempfile.mkdtemp(prefix='orvane-ansible-')
        self.sim_exe = sim_exe
        self.ctl_exe = ctl_exe
        self.sims = []
        self.profile = os.path.join(self.folder, 'profile.ini')
        with open(self.profile, 'w') as handle:
            handle.write(PROFILE)
        # The collection from the source tree; nothing from the user's Ansible settings.
        self.env = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=COLLECTIONS,
                        ANSIBLE_COLLECTIONS_PATHS=COLLECTIONS, ANSIBLE_NOCOLOR='1',
                        ANSIBLE_FORCE_COLOR='0', ANSIBLE_RETRY_FILES_ENABLED='0',
                        ANSIBLE_HOME=os.path.join(self.folder, 'home'),
                        ANSIBLE_LOCAL_TEMP=os.path.join(self.folder, 'tmp'),
                        ANSIBLE_CONFIG=os.path.join(self.folder, 'none.cfg'),
                        ANSIBLE_PYTHON_INTERPRETER='auto_silent')

    def sim(self, name, arguments=(), tcp=False):
        sim = Sim(self.sim_exe, self.folder, name, arguments, tcp)
        self.sims.append(sim)
        return sim

    def inventory(self, name, hosts, **group_vars):
        path = os.path.join(self.folder, name + '.yml')
        # A loaded machine may hold an answer back well past orvanectl's default time-out.
        group_vars.update(orvanectl=self.ctl_exe, results=self.folder, timeout_ms=2000)
        with open(path, 'w') as handle:
            json.dump({'all': {'hosts': hosts, 'vars': group_vars}}, handle)
        return path

    def play(self, playbook, inventory, *options):
        """Runs a playbook; returns its output and the recap, host to (changed, failed)."""
        run = subprocess.run(
            [os.environ.get('ANSIBLE_PLAYBOOK', 'ansible-playbook'), '-i', inventory, os.path.join(HERE, playbook)] + list(options),
            cwd=self.folder, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            universal_newlines=True, timeout=600)
        recap = {m.group(1): (int(m.group(3)), int(m.group(5))) for m in RECAP.finditer(run.stdout)}
        if not recap or os.environ.get('ORVANE_TEST_VERBOSE'):
            print(run.stdout, flush=True)
        return run.stdout, recap

    def result(self, host, kind):
        path = os.path.join(self.folder, '%s.%s.json' % (host, kind))
        if not check(os.path.exists(path), '%s: the playbook kept no %s result' % (host, kind)):
            return {}
        with open(path) as handle:
            result = json.load(handle)
        os.remove(path)  # the next play's result is its own
        return result

    def close(self):
        for sim in self.sims:
            sim.stop()
        if failures:
            for sim in self.sims:
                print('--- %s ---\n%s' % (sim.link, sim.log()[-4000:]))
        shutil.rmtree(self.folder, ignore_errors=True)


def one_receiver_each_way(rig):
    """Check mode, apply, the same again and info, on a receiver over a pty and one over TCP."""
    sims = {'pty': rig.sim('pty'), 'tcp': rig.sim('tcp', tcp=True)}
    inventory = rig.inventory('two', {h: {'port': s.port} for h, s in sims.items()},
                              profile=rig.profile)
    before = {h: s.store() for h, s in sims.items()}

    out, recap = rig.play('settings.yml', inventory, '--check', '--diff')
    for host, sim in sims.items():
        result = rig.result(host, 'settings')
        check(recap.get(host) == (1, 0), '%s: check mode reports one change: %s' % (host, recap))
        check(result.get('rc') == 1 and result.get('changed'), '%s: check mode result %s' % (host, result))
        check('--- before: %s (before)' % sim.port in out, '%s: the diff names the port' % host)
        check(sim.store() == before[host], '%s: check mode left the receiver as it was' % host)
        check('settings write' not in sim.log(), '%s: check mode wrote nothing' % host)
    check('-elevation_mask = 10' in out and '+elevation_mask = 5' in out,
          'the diff shows the setting before and after:\n' + out)

    out, recap = rig.play('settings.yml', inventory)
    for host, sim in sims.items():
        result = rig.result(host, 'settings')
        store = sim.store()
        check(recap.get(host) == (1, 0), '%s: the apply changes: %s' % (host, recap))
        check(result.get('saved') and result.get('rc') == 0, '%s: saved, exit 0: %s' % (host, result))
        check(store.get('solution.elevation_mask') == '5' and
              store.get('ethernet.ip_address') == '192.168.7.2', '%s: the receiver holds '
              'the profile: %s' % (host, store))
        check(wait_for(lambda: 'settings save' in sim.log(), 10), '%s: the save came' % host)

    out, recap = rig.play('settings.yml', inventory)
    check(all(recap.get(h) == (0, 0) for h in sims), 'the same again: changed=0: %s' % recap)

    rig.play('info.yml', inventory)
    for host, sim in sims.items():
        info = rig.result(host, 'info')
        store = sim.store()
        check(info.get('named', {}).get('settings') == {k: store[k] for k in
                                            ('solution.elevation_mask', 'ethernet.ip_address')},
              '%s: info reads the named keys: %s' % (host, info['named']))
        every = info.get('every', {}).get('settings') or {}
        check(len(every) > 40 and all(store.get(k, v) == v for k, v in every.items()),
              '%s: info without keys reads every setting as stored' % host)
        check(not info.get('named', {}).get('changed', True), '%s: info changes nothing' % host)


def refused_setting(rig):
    """A setting the receiver refuses fails the task with orvanectl's words."""
    refuse = ['--refuse', 'solution.elevation_mask']
    sims = {'pty': rig.sim('refusing-pty', refuse),
            'tcp': rig.sim('refusing-tcp', refuse, tcp=True)}
    inventory = rig.inventory('refusing', {h: {'port': s.port} for h, s in sims.items()},
                              profile=rig.profile, expect_failure=True)
    before = {h: s.store() for h, s in sims.items()}
    rig.play('settings.yml', inventory)
    for host, sim in sims.items():
        result = rig.result(host, 'settings')
        check(result.get('failed') and result.get('rc') == 4, '%s: the task fails: %s' % (host, result))
        check('solution.elevation_mask: wanted "5", reads "10" (refused, status 2)' in
              result.get('msg', ''),
              '%s: msg names the refused setting: %s' % (host, result.get('msg')))
        if result.get('diagnosis'):
            check(result.get('msg', '').startswith(result['diagnosis']),
                  '%s: msg starts with orvanectl\'s diagnosis' % host)
        check(result.get('rolled_back') is True, '%s: rolled back: %s' % (host, result))
        check(not result.get('changed'), '%s: a rolled-back apply changed nothing' % host)
        check(sim.store() == before[host], '%s: the receiver is as it was' % host)
        check('settings save' not in sim.log(), '%s: nothing saved' % host)


def fleet_of_eight(rig):
    """Eight receivers on TCP, each ending with the address of its own host variables."""
    sims = {'site%d' % n: rig.sim('site%d' % n, tcp=True) for n in range(1, 9)}
    hosts = {h: {'port': s.port, 'ip_address': '10.17.0.%d' % (10 + n)}
             for n, (h, s) in enumerate(sorted(sims.items()))}
    out, recap = rig.play('fleet.yml', rig.inventory('fleet', hosts, profile=rig.profile))
    check(all(recap.get(h) == (1, 0) for h in sims), 'the fleet: changed=1 each: %s' % recap)
    for host, sim in sims.items():
        check(sim.store().get('ethernet.ip_address') == hosts[host]['ip_address'],
              '%s holds its own address' % host)


def main():
    sim_exe, ctl_exe = (os.path.abspath(exe) for exe in sys.argv[1:3])
    rig = Rig(sim_exe, ctl_exe)
    try:
        one_receiver_each_way(rig)
        refused_setting(rig)
        fleet_of_eight(rig)
    finally:
        rig.close()
    print('%d failure(s)' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())

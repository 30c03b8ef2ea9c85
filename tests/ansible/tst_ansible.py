#!/usr/bin/env python3
"""The zrvu.instruments collection against 8 zrsim instances on loopback.

Runs real playbooks with -f 8 on an inventory of 8 hosts (connection: local),
one of them silent, and checks what the instruments saw on zrsim's status
lines. Exit 77 (skipped) where ansible-playbook is missing or zrvu-cli has no
--json. With --bench it times a playbook on 8 healthy hosts against one host.
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
PLAYBOOK_TIMEOUT = 300  # seconds for one ansible-playbook run, a bound, not a wait
MODULES = ('zrvu_facts', 'zrvu_items', 'zrvu_backup', 'zrvu_firmware', 'zrvu_history')
SENTINEL_ITEM = 20  # "Calibrate zero", a command item of zrsim's default list
# zrsim's default items: 7 采样间隔(秒)=60, 8 上限报警值=85.5, 10 报警使能=开,
# 11 站点名称 (protected), 14 Rate=10.
DESIRED = {'上限报警值': '90', '采样间隔(秒)': 30, '10': '关', '站点名称': '二号泵站', 'Rate(1/5/10/60)': '10'}
DIFFERING = {7, 8, 10}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print('FAIL: ' + what, flush=True)
    return condition


class Sim:
    """One zrsim; its stdout lines are collected by a thread."""

    def __init__(self, exe, name, extra):
        self.name = name
        self.lines = []
        self.cond = threading.Condition()
        self.proc = subprocess.Popen([exe, '--udp', '127.0.0.1:0'] + extra, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            with self.cond:
                self.lines.append(raw.decode('utf-8', 'replace').rstrip('\n'))
                self.cond.notify_all()
        with self.cond:
            self.lines.append(None)
            self.cond.notify_all()

    def wait_line(self, pattern, start=0, timeout=20):
        rx = re.compile(pattern)
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                for i in range(start, len(self.lines)):
                    line = self.lines[i]
                    if line is None:
                        return None
                    if rx.search(line):
                        return i
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                self.cond.wait(left)

    def mark(self):
        with self.cond:
            return len(self.lines)

    def since(self, start, pattern):
        with self.cond:
            return [l for l in self.lines[start:] if l is not None and re.search(pattern, l)]

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait(10)


class Plant:
    def __init__(self, build, source, tmp, silent):
        self.build = build
        self.tmp = tmp
        self.cli = os.path.join(build, 'cli', 'zrvu-cli')
        self.sims = {}
        coll = os.path.join(tmp, 'collections', 'ansible_collections', 'zrvu')
        os.makedirs(coll)
        os.symlink(os.path.join(source, 'ansible'), os.path.join(coll, 'instruments'))
        self.out = os.path.join(tmp, 'out')
        os.makedirs(self.out)
        self.env = dict(os.environ)
        self.env.update({
            'ANSIBLE_COLLECTIONS_PATH': os.path.join(tmp, 'collections'),
            'ANSIBLE_LOCAL_TEMP': os.path.join(tmp, 'ansible-local'),
            'ANSIBLE_REMOTE_TMP': os.path.join(tmp, 'ansible-remote'),
            'ANSIBLE_HOME': os.path.join(tmp, 'ansible-home'),
            'ANSIBLE_NOCOLOR': '1', 'ANSIBLE_RETRY_FILES_ENABLED': '0', 'ANSIBLE_GATHERING': 'explicit',
            'ANSIBLE_HOST_KEY_CHECKING': '0', 'ANSIBLE_CONFIG': os.path.join(tmp, 'ansible.cfg'),
            # The modules find zrvu-cli on PATH, as on a site PC.
            'PATH': os.path.dirname(self.cli) + os.pathsep + os.environ.get('PATH', ''),
            'ZRVU_CLI_FLASH_TIMEOUTS': '5000,10000,50',
        })
        with open(self.env['ANSIBLE_CONFIG'], 'w') as f:
            f.write('[defaults]\n')
        zrsim = os.path.join(build, 'tools', 'zrsim', 'zrsim')
        for n in range(1, 9):
            name = 'sim%d' % n
            extra = ['--model', 'ZR3100', '--flashed-version', 'V2.14', '--history-interval', '60']
            if n == silent:
                extra.append('--silent')
            self.sims[name] = Sim(zrsim, name, extra)
            os.makedirs(os.path.join(tmp, 'hosts', name))
        hosts = []
        for name, sim in self.sims.items():
            if sim.wait_line(r'^ZRSIM READY', timeout=30) is None:
                raise RuntimeError('%s did not start' % name)
            port = re.search(r'^ZRSIM UDP \S+ (\d+)', '\n'.join(l for l in sim.lines if l), re.M).group(1)
            hosts.append('%s zrvu_udp=127.0.0.1:%s zrvu_chdir=%s' % (name, port, os.path.join(tmp, 'hosts', name)))
            sim.port = port
        self.inventory = os.path.join(tmp, 'inventory.ini')
        with open(self.inventory, 'w') as f:
            f.write('[plant]\n' + '\n'.join(hosts) + '\n\n[plant:vars]\nansible_connection=local\n'
                    'ansible_python_interpreter={{ ansible_playbook_python }}\n')

    def playbook(self, name, text, *args):
        path = os.path.join(self.tmp, name)
        with open(path, 'w') as f:
            f.write(text)
        cmd = ['ansible-playbook', '-i', self.inventory, '-f', '8', path, '-e', 'out=' + self.out] + list(args)
        start = time.monotonic()
        cpu = os.times()
        r = subprocess.run(cmd, cwd=self.tmp, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=PLAYBOOK_TIMEOUT)
        elapsed = time.monotonic() - start
        after = os.times()
        self.cpu = (after.children_user - cpu.children_user) + (after.children_system - cpu.children_system)
        text = r.stdout.decode('utf-8', 'replace')
        return r.returncode, text, elapsed

    def result(self, host, tag):
        path = os.path.join(self.out, '%s-%s.json' % (host, tag))
        if not os.path.exists(path):
            return None
        with open(path, encoding='utf-8') as f:
            return json.load(f)

    def settle(self, names):
        """Marks each sim's log after everything it printed so far: a command
        item triggered now is logged after every earlier line."""
        for name in names:
            sim = self.sims[name]
            start = sim.mark()
            subprocess.run([self.cli, '--udp', '127.0.0.1:' + sim.port, '--address', '1', 'trigger',
                            str(SENTINEL_ITEM)], cwd=os.path.join(self.tmp, 'hosts', name),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
            check(sim.wait_line(r'^ZRSIM COMMAND %d ' % SENTINEL_ITEM, start) is not None,
                  '%s logs the sentinel command' % name)

    def stop(self):
        for sim in self.sims.values():
            sim.stop()


def recap(text):
    out = {}
    for m in re.finditer(r'^(\S+)\s+:\s+ok=(\d+)\s+changed=(\d+)\s+unreachable=(\d+)\s+failed=(\d+)', text, re.M):
        out[m.group(1)] = dict(ok=int(m.group(2)), changed=int(m.group(3)), unreachable=int(m.group(4)),
                               failed=int(m.group(5)))
    return out


def save(tag, register):
    return ('    - ansible.builtin.copy:\n'
            '        content: "{{ %s | to_json }}"\n'
            '        dest: "{{ out }}/{{ inventory_hostname }}-%s.json"\n'
            '      check_mode: false\n'
            '      diff: false\n' % (register, tag))


LINK = ('        udp: "{{ zrvu_udp }}"\n'
        '        chdir: "{{ zrvu_chdir }}"\n')

FACTS = ('- hosts: plant\n  gather_facts: false\n  tasks:\n'
         '    - zrvu.instruments.zrvu_facts:\n' + LINK + save('facts', 'ansible_facts.zrvu'))

ITEMS = ('- hosts: "{{ target | default(\'plant\') }}"\n  gather_facts: false\n  tasks:\n'
         '    - zrvu.instruments.zrvu_items:\n' + LINK +
         '        items: %s\n' % json.dumps(DESIRED, ensure_ascii=False) +
         '      register: r\n' + save('items-{{ run }}', 'r'))


def firmware_playbook(package, tag):
    return ('- hosts: plant\n  gather_facts: false\n  tasks:\n'
            '    - zrvu.instruments.zrvu_firmware:\n' + LINK +
            '        package: %s\n' % package +
            '      register: r\n      ignore_errors: true\n' + save(tag, 'r'))


HISTORY = ('- hosts: plant\n  gather_facts: false\n  tasks:\n'
           '    - zrvu.instruments.zrvu_history:\n' + LINK +
           '        from: "2026-11-01"\n        to: "2026-11-01"\n'
           '        dest: "{{ zrvu_chdir }}/history.csv"\n'
           '      register: r\n' + save('history-{{ run }}', 'r') +
           '    - zrvu.instruments.zrvu_backup:\n' + LINK +
           '        dest: "{{ zrvu_chdir }}/saved"\n'
           '      register: b\n' + save('backup-{{ run }}', 'b'))


def make_package(plant, model, version, name):
    image = os.path.join(plant.tmp, name + '.img')
    with open(image, 'wb') as f:
        f.write(bytes((i * 7 + 3) % 256 for i in range(3000)))
    package = os.path.join(plant.tmp, name + '.zrbin')
    subprocess.run([os.path.join(plant.build, 'tools', 'zrpack', 'zrpack'), '--device', 'ZR', '--model', model,
                    '--version', version, '--image', image, '--output', package], check=True,
                   stdout=subprocess.DEVNULL, timeout=60)
    with open(image, 'rb') as f:
        return package, hashlib.md5(f.read()).hexdigest()


def static_checks(plant, source):
    # One ansible-doc and one syntax check for all: each start of Ansible
    # costs about a second of CPU.
    names = ['zrvu.instruments.' + m for m in MODULES]
    r = subprocess.run(['ansible-doc'] + names, env=plant.env, cwd=plant.tmp,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    doc = r.stdout.decode('utf-8', 'replace')
    check(r.returncode == 0 and doc.count('OPTIONS') == len(names)
          and all(('> ' + n.upper() + ' ') in doc for n in names), 'ansible-doc: ' + doc[-400:])
    built = os.path.join(plant.tmp, 'built')
    r = subprocess.run(['ansible-galaxy', 'collection', 'build', os.path.join(source, 'ansible'),
                        '--output-path', built], env=plant.env, cwd=plant.tmp,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    check(r.returncode == 0 and os.path.exists(os.path.join(built, 'zrvu-instruments-1.0.0.tar.gz')),
          'ansible-galaxy collection build: ' + r.stdout.decode('utf-8', 'replace')[-400:])
    examples = os.path.join(source, 'ansible', 'examples')
    books = [os.path.join(examples, b) for b in sorted(os.listdir(examples))
             if b.endswith('.yml') and b != 'inventory.yml']
    r = subprocess.run(['ansible-playbook', '--syntax-check', '-i', os.path.join(examples, 'inventory.yml')] + books,
                       env=plant.env, cwd=plant.tmp, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    check(books and r.returncode == 0, 'syntax-check %s: %s' % (books, r.stdout.decode('utf-8', 'replace')[-400:]))


def run_test(plant, source):
    static_checks(plant, source)
    names = sorted(plant.sims)
    working = [n for n in names if n != 'sim8']

    rc, text, _ = plant.playbook('facts.yml', FACTS)
    summary = recap(text)
    check(summary.get('sim8', {}).get('failed') == 1, 'the silent sim8 fails: %s' % summary.get('sim8'))
    check('NoReply' in text, 'the failure carries the error code NoReply')
    for n in working:
        check(summary.get(n, {}).get('failed') == 0 and summary.get(n, {}).get('ok', 0) >= 2,
              '%s ok beside the silent one: %s' % (n, summary.get(n)))
        facts = plant.result(n, 'facts')
        check(facts and facts['model'] == 'ZR3100' and facts['firmware_version'] == 'V2.13'
              and facts['station_name'] == '一号泵站' and len(facts['items']) == 21, '%s facts: %s' % (n, facts))

    marks = dict((n, plant.sims[n].mark()) for n in working)
    rc, text, _ = plant.playbook('items.yml', ITEMS, '--limit', ','.join(working), '-e', 'run=check',
                                 '--check', '--diff')
    check(rc == 0, 'items check run: ' + text[-2000:])
    plant.settle(working)
    for n in working:
        r = plant.result(n, 'items-check')
        check(r and r['changed'] and set(x['index'] for x in r['rows']) == DIFFERING and r['written'] == 0
              and [x['index'] for x in r['protected']] == [11], '%s check mode: %s' % (n, r))
        check(r and '上限报警值,90' in r.get('diff', {}).get('after', ''), '%s diff shows the rows' % n)
        check(plant.sims[n].since(marks[n], r'^ZRSIM (WRITE|REFUSED) ') == [], '%s: no write in check mode' % n)

    marks = dict((n, plant.sims[n].mark()) for n in working)
    rc, text, _ = plant.playbook('items.yml', ITEMS, '--limit', ','.join(working), '-e', 'run=apply')
    check(rc == 0, 'items apply run: ' + text[-2000:])
    plant.settle(working)
    for n in working:
        r = plant.result(n, 'items-apply')
        writes = plant.sims[n].since(marks[n], r'^ZRSIM (WRITE|REFUSED) ')
        check(sorted(int(w.split()[2]) for w in writes) == sorted(DIFFERING) and all('WRITE' in w for w in writes),
              '%s writes exactly the differing rows: %s' % (n, writes))
        check(r and r['changed'] and r['written'] == 3 and r['mismatches'] == [] and r['backup']
              and os.path.isfile(r['backup']), '%s apply result: %s' % (n, r))

    marks = dict((n, plant.sims[n].mark()) for n in working)
    rc, text, _ = plant.playbook('items.yml', ITEMS, '--limit', ','.join(working), '-e', 'run=again')
    summary = recap(text)
    plant.settle(working)
    for n in working:
        r = plant.result(n, 'items-again')
        check(r and not r['changed'] and summary.get(n, {}).get('changed') == 1,  # the copy task only
              '%s second run changes nothing: %s' % (n, r))
        check(plant.sims[n].since(marks[n], r'^ZRSIM (WRITE|REFUSED) ') == [], '%s: no write the second time' % n)

    package, md5 = make_package(plant, 'ZR3100', 'V2.14', 'zr3100-2.14')
    other, _ = make_package(plant, 'ZR9900', 'V9.0', 'zr9900-9.0')
    marks = dict((n, plant.sims[n].mark()) for n in working)
    plant.playbook('wrong.yml', firmware_playbook(other, 'wrong'), '--limit', ','.join(working))
    plant.playbook('flash.yml', firmware_playbook(package, 'flash'), '--limit', ','.join(working))
    plant.settle(working)
    for n in working:
        w = plant.result(n, 'wrong')
        check(w and w.get('failed') and w.get('error_code') == 'ModelMismatch', '%s refuses ZR9900: %s' % (n, w))
        images = plant.sims[n].since(marks[n], r'^ZRSIM FLASH (ERASE|IMAGE)')
        check(len(images) == 2 and md5 in images[1], '%s flashed once, the whole image: %s' % (n, images))
        f = plant.result(n, 'flash')
        check(f and f['changed'] and f['flashed'] and f['version_before'] == 'V2.13', '%s flash: %s' % (n, f))
    marks = dict((n, plant.sims[n].mark()) for n in working)
    plant.playbook('flash.yml', firmware_playbook(package, 'again'), '--limit', ','.join(working))
    plant.settle(working)
    for n in working:
        f = plant.result(n, 'again')
        check(f and not f['changed'] and not f['flashed'], '%s same version, no change: %s' % (n, f))
        check(plant.sims[n].since(marks[n], r'^ZRSIM FLASH ') == [], '%s: nothing sent the second time' % n)

    for run in ('first', 'again'):
        plant.playbook('history.yml', HISTORY, '--limit', ','.join(working), '-e', 'run=' + run)
    for n in working:
        first, again = plant.result(n, 'history-first'), plant.result(n, 'history-again')
        check(first and first['changed'] and first['lines'] > 0 and again and not again['changed'],
              '%s history changed once: %s / %s' % (n, first, again))
        b = plant.result(n, 'backup-first')
        check(b and b['path'] and os.path.isfile(b['path']) and b['path'].startswith(os.path.join(
            plant.tmp, 'hosts', n, 'saved')), '%s backup path: %s' % (n, b))


def run_bench(plant):
    names = sorted(plant.sims)
    figures = []
    for label, args in (('8 hosts -f 8', ['--limit', ','.join(names)]), ('1 host', ['--limit', names[0]])):
        runs, cpu = [], []
        for _ in range(3):
            rc, text, elapsed = plant.playbook('items.yml', ITEMS, '-e', 'run=bench', '--check', *args)
            check(rc == 0, 'bench run ' + text[-1000:])
            runs.append(elapsed)
            cpu.append(plant.cpu)
        figures.append((min(runs), min(cpu)))
        print('%s: wall %s s, CPU %s s (best: %.2f s wall, %.2f s CPU)'
              % (label, ', '.join('%.2f' % r for r in runs), ', '.join('%.2f' % c for c in cpu), min(runs),
                 min(cpu)), flush=True)
    print('ratio 8 hosts / 1 host: wall %.2f, CPU %.2f (on %d cores)'
          % (figures[0][0] / figures[1][0], figures[0][1] / figures[1][1], os.cpu_count()), flush=True)


def supports_json(cli, tmp):
    try:
        r = subprocess.run([cli, '--json', 'package-info', os.path.join(tmp, 'none.zrbin')], cwd=tmp,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
        last = r.stdout.decode('utf-8', 'replace').strip().splitlines()[-1]
        return json.loads(last).get('type') == 'result'
    except (IndexError, ValueError, OSError, subprocess.TimeoutExpired):
        return False


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--build', required=True)
    ap.add_argument('--source', required=True)
    ap.add_argument('--bench', action='store_true', help='time 8 healthy hosts against one host')
    args = ap.parse_args()
    args.build, args.source = os.path.abspath(args.build), os.path.abspath(args.source)
    if not shutil.which('ansible-playbook') or not shutil.which('ansible-doc'):
        print('SKIP: ansible-playbook is not installed (scripts/deps.sh --ansible installs ansible-core)')
        return SKIP
    tmp = tempfile.mkdtemp(prefix='zr-ansible-')
    try:
        if not supports_json(os.path.join(args.build, 'cli', 'zrvu-cli'), tmp):
            print('SKIP: this zrvu-cli does not support --json, which the collection needs')
            return SKIP
        plant = Plant(args.build, args.source, tmp, silent=None if args.bench else 8)
        try:
            if args.bench:
                run_bench(plant)
            else:
                run_test(plant, args.source)
        finally:
            plant.stop()
    finally:
        if failures:
            print('work folder kept: ' + tmp)
        else:
            shutil.rmtree(tmp, ignore_errors=True)
    print('%d failure(s)' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/env bash
# Validates the fleet roll-out under deploy/: ansible-playbook --syntax-check
# and ansible-lint (default rules) on its playbook. Nothing connects to a host.
# Installs Debian's ansible and ansible-lint when root and missing; without
# them and not root it fails under CI=true and is skipped otherwise.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
deploy=$here/deploy

tools_ready() { command -v ansible-playbook >/dev/null && command -v ansible-lint >/dev/null; }

if ! tools_ready && [ "$(id -u)" = 0 ]; then
    echo "== installing ansible and ansible-lint"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends ansible ansible-lint >/dev/null || true
fi
if ! tools_ready; then
    if [ "${CI:-}" = "true" ]; then
        echo "50-deploy-lint: ansible-playbook or ansible-lint is missing" >&2
        exit 1
    fi
    echo "50-deploy-lint: ansible-playbook or ansible-lint is missing; skipped"
    exit 0
fi

# Private settings and caches: the developer's own Ansible configuration and
# collections must not change the verdict, nor should the run write to $HOME.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
: >"$scratch/ansible.cfg"
export ANSIBLE_CONFIG=$scratch/ansible.cfg ANSIBLE_LOCAL_TEMP=$scratch/tmp ANSIBLE_HOME=$scratch/home
export XDG_CACHE_HOME=$scratch/cache ANSIBLE_LINT_SKIP_VERSION_CHECK=1 ANSIBLE_NOCOLOR=1

cd "$deploy"
echo "== ansible-playbook --syntax-check deploy/site.yml"
ansible-playbook -i inventory.example.yml --syntax-check site.yml
echo "== ansible-lint deploy/"
ansible-lint --offline --nocolor site.yml roles/freshline_patch

# ansible-lint cannot load the PowerShell modules to validate their options,
# so check here that each module used exists and takes the options given.
echo "== module options of deploy/roles (ansible-doc)"
python3 - roles/freshline_patch/tasks/*.yml <<'PY'
import json, subprocess, sys
import yaml

KEYWORDS = {"name", "when", "register", "changed_when", "failed_when", "async", "poll", "vars",
            "block", "rescue", "always", "tags", "notify", "loop", "check_mode", "become",
            "ignore_errors", "environment", "delegate_to", "run_once", "no_log", "until", "retries",
            "delay", "args", "listen"}

def tasks(items):
    for task in items or []:
        yield task
        for key in ("block", "rescue", "always"):
            yield from tasks(task.get(key))

docs, bad = {}, []
for path in sys.argv[1:]:
    for task in tasks(yaml.safe_load(open(path))):
        modules = [k for k in task if k not in KEYWORDS]
        if "block" in task:
            continue
        if len(modules) != 1:
            bad.append(f"{path}: task {task.get('name')!r}: cannot tell its module from {modules}")
            continue
        module = modules[0]
        if module not in docs:
            out = subprocess.run(["ansible-doc", "--json", "-t", "module", module],
                                 capture_output=True, text=True)
            doc = json.loads(out.stdout or "{}").get(module, {}).get("doc") if out.returncode == 0 else None
            docs[module] = doc
        doc = docs[module]
        if not doc:
            bad.append(f"{path}: task {task.get('name')!r}: module {module} is not installed")
            continue
        options = set(doc.get("options") or {})
        for option in doc.get("options", {}).values():
            options.update(option.get("aliases") or [])
        args = task[module] if isinstance(task[module], dict) else {}
        for key in args:
            if key not in options:
                bad.append(f"{path}: task {task.get('name')!r}: {module} has no option {key!r}")
for line in bad:
    print(line, file=sys.stderr)
if bad:
    sys.exit(1)
print(f"{len(docs)} modules checked: {', '.join(sorted(docs))}")
PY

#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright (c) 2026 Quillon developers
# SPDX-License-Identifier: MIT
"""Ansible module: upgrade one terminal with `quillon upgrade --json`."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r"""
---
module: upgrade
short_description: Deliver an upgrade pack to one power quality terminal
version_added: "1.0.0"
description:
  - Runs C(quillon upgrade --json) for one terminal on the host the task runs
    on, usually the jump host that reaches the terminal (through
    C(delegate_to)). The pack is checked first, then delivered over
    Ethernet or into a USB disk folder.
  - A terminal whose upgrade log already holds a success with this pack
    reports C(changed=false) when I(skip_done) is set.
  - A delivery that fails, or a pack that the check refuses, fails the task
    with the terminal's or the check's text.
author:
  - Quillon developers (@quillon)
options:
  quillon:
    description: The quillon program on the host that runs the module.
    type: path
    default: quillon
  model:
    description: The terminal model.
    type: str
    required: true
    choices: [M2410, M2450, M3710, M3750, VK1200, HTR940, M2480]
  kind:
    description: The pack kind.
    type: str
    required: true
    choices: [app, system, tool]
  pack:
    description: The upgrade pack (zip) on the host that runs the module.
    type: path
    required: true
  address:
    description:
      - The terminal's IPv4 address (Ethernet).
      - Exactly one of I(address) and I(usb) is given.
    type: str
  usb:
    description:
      - The folder where the terminal's USB disk is mounted.
      - Exactly one of I(address) and I(usb) is given.
    type: path
  retries:
    description: How many times a delivery that failed to connect is tried again.
    type: int
    default: 0
  max_rate:
    description: Upload limit in bytes per second, such as C(512K) or C(2M).
    type: str
  skip_done:
    description:
      - Leave out a terminal whose latest record in the upgrade log is a success with this pack.
    type: bool
    default: true
  trusted_key:
    description:
      - Public keys that may have signed the pack, each a key's base64 line, a C(.pub) file or a trust
        file on the host that runs the module; passed to quillon as C(--trusted-key).
      - They add to the site's trust file (C(/etc/quillon/trusted-keys.txt) on that host), which always
        applies; with keys given and no site file, the pack must be signed by one of them.
    type: list
    elements: str
    default: []
  upgrade_log:
    description: The upgrade log to write and read, instead of the user's default one.
    type: path
attributes:
  check_mode:
    support: full
    description: Reaches the terminal and logs in (C(--dry-run)); nothing is written.
  diff_mode:
    support: none
    description: No diff is shown.
requirements:
  - quillon (the Debian package C(quillon)) on the host that runs the module
notes:
  - Run one task per terminal, so that C(serial) and C(max_fail_percentage)
    count terminals.
"""

EXAMPLES = r"""
- name: Upgrade a terminal through its jump host
  quillon.terminals.upgrade:
    model: M3710
    kind: app
    pack: /var/tmp/quillon/AppUpgradePack.zip
    address: 198.51.100.21
    retries: 2
  delegate_to: jump-north.substations.example

- name: Copy a pack onto a terminal disk mounted on this host
  quillon.terminals.upgrade:
    model: M2410
    kind: app
    pack: /srv/packs/AppUpgradePack.zip
    usb: /media/terminal
"""

RETURN = r"""
result:
  description: The delivery's result.
  returned: when quillon reported the terminal
  type: str
  sample: success
  choices: [success, failure, refused, already done, would deliver, not started]
text:
  description: The terminal's last step text, in Chinese as the window tool shows it.
  returned: when quillon reported the terminal
  type: str
  sample: 请重启设备完成升级！
target:
  description: The terminal's address or disk folder.
  returned: when quillon reported the terminal
  type: str
  sample: 198.51.100.21
attempts:
  description: How many deliveries were tried.
  returned: when quillon reported the terminal
  type: int
  sample: 1
seconds:
  description: How long the delivery took.
  returned: when quillon reported the terminal
  type: float
  sample: 4.3
steps:
  description: Every step of the delivery, each a pair of progress fraction and text.
  returned: when quillon reported the terminal
  type: list
  elements: list
  sample: [[0.0, 正准备升级...], [1.0, 请重启设备完成升级！]]
rc:
  description: The exit status of quillon.
  returned: when quillon reported the terminal
  type: int
  sample: 0
"""

import json

from ansible.module_utils.basic import AnsibleModule


def command_line(params, check_mode):
    args = [params["quillon"], "upgrade", "--model", params["model"], "--kind", params["kind"],
            "--pack", params["pack"], "--json"]
    if params["address"]:
        args += ["--address", params["address"]]
    else:
        args += ["--usb", params["usb"]]
    if params["retries"]:
        args += ["--retries", str(params["retries"])]
    if params["max_rate"]:
        args += ["--max-rate", params["max_rate"]]
    if params["skip_done"]:
        args.append("--skip-done")
    for key in params["trusted_key"]:
        args += ["--trusted-key", key]
    if check_mode:
        args.append("--dry-run")
    return args


def main():
    module = AnsibleModule(
        argument_spec=dict(
            quillon=dict(type="path", default="quillon"),
            model=dict(type="str", required=True,
                       choices=["M2410", "M2450", "M3710", "M3750", "VK1200", "HTR940", "M2480"]),
            kind=dict(type="str", required=True, choices=["app", "system", "tool"]),
            pack=dict(type="path", required=True),
            address=dict(type="str"),
            usb=dict(type="path"),
            retries=dict(type="int", default=0),
            max_rate=dict(type="str"),
            skip_done=dict(type="bool", default=True),
            upgrade_log=dict(type="path"),
            trusted_key=dict(type="list", elements="str", default=[], no_log=False),
        ),
        required_one_of=[("address", "usb")],
        mutually_exclusive=[("address", "usb")],
        supports_check_mode=True,
    )
    params = module.params
    environ = {"QUILLON_UPGRADE_LOG": params["upgrade_log"]} if params["upgrade_log"] else None
    args = command_line(params, module.check_mode)
    rc, out, err = module.run_command(args, environ_update=environ)
    try:
        document = json.loads(out)
    except ValueError:
        module.fail_json(msg=(err or out).strip() or "quillon gave no JSON document", rc=rc, cmd=args)
    if not document["check"]["accepted"]:
        module.fail_json(msg=document["check"]["text"], rc=rc, cmd=args)
    if len(document["targets"]) != 1:
        module.fail_json(msg="quillon reported %d targets for one" % len(document["targets"]), rc=rc)
    target = document["targets"][0]
    result = dict(result=target["result"], text=target["text"], attempts=target["attempts"],
                  seconds=target["seconds"], steps=target["steps"], target=target["target"], rc=rc)
    if target["result"] in ("success", "would deliver"):
        module.exit_json(changed=True, **result)
    if target["result"] == "already done":
        module.exit_json(changed=False, **result)
    module.fail_json(msg=target["text"], **result)


if __name__ == "__main__":
    main()

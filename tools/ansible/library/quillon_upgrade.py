#!/usr/bin/python3
"""Ansible module: upgrade one terminal with `quillon upgrade --json`."""

DOCUMENTATION = r"""
module: quillon_upgrade
short_description: Deliver an upgrade pack to one power quality terminal
description:
  - Runs C(quillon upgrade --json) on the host the task runs on (usually the
    jump host that reaches the terminal, through C(delegate_to)) for one
    terminal: the pack is checked, then delivered over Ethernet or to a USB
    disk folder.
  - In check mode it runs C(--dry-run): the terminal is reached and logged in
    to, nothing is written.
  - A terminal whose upgrade log already holds a success of this pack
    (C(skip_done)) reports C(changed=false).
options:
  quillon: {description: The quillon program., type: path, default: quillon}
  model: {description: Terminal model (M2410 M2450 M3710 M3750 VK1200 HTR940 M2480)., type: str, required: true}
  kind: {description: Pack kind., type: str, choices: [app, system, tool], required: true}
  pack: {description: The pack on the host that runs quillon., type: path, required: true}
  address: {description: The terminal's address (Ethernet)., type: str}
  usb: {description: The terminal's disk folder (USB)., type: path}
  retries: {description: Retries of a delivery that failed to connect., type: int, default: 0}
  max_rate: {description: "Upload limit, bytes per second (512K, 2M).", type: str}
  skip_done: {description: Skip a terminal the upgrade log holds as done with this pack., type: bool, default: true}
  upgrade_log: {description: The upgrade log to write and read (QUILLON_UPGRADE_LOG)., type: path}
"""

RETURN = r"""
result: {description: "success, failure, refused, already done or would deliver", type: str}
text: {description: The terminal's last step text (Chinese, as the window shows it)., type: str}
attempts: {description: Deliveries tried., type: int}
seconds: {description: How long the delivery took., type: float}
steps: {description: "Every step: [fraction, text].", type: list}
"""

import json
import os

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
    if check_mode:
        args.append("--dry-run")
    return args


def main():
    module = AnsibleModule(
        argument_spec=dict(
            quillon=dict(type="path", default="quillon"),
            model=dict(type="str", required=True),
            kind=dict(type="str", required=True, choices=["app", "system", "tool"]),
            pack=dict(type="path", required=True),
            address=dict(type="str"),
            usb=dict(type="path"),
            retries=dict(type="int", default=0),
            max_rate=dict(type="str"),
            skip_done=dict(type="bool", default=True),
            upgrade_log=dict(type="path"),
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

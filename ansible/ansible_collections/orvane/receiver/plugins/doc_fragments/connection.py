# -*- coding: utf-8 -*-
# SPDX-License-Identifier: Apache-2.0
# The options every module of the collection takes to reach a receiver through orvanectl.

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  port:
    description:
      - Where the receiver is, as orvanectl's C(--port) takes it, on the managed host.
      - A device path such as C(/dev/ttyUSB0) or C(/dev/serial/by-id/...), a number N (the
        window's Comm item N), or C(tcp://HOST:PORT) (an IPv6 host in brackets).
    type: str
    required: true
  baud:
    description:
      - The serial speed, or C(auto) to find it (orvanectl's C(--baud)).
    type: str
    default: auto
  timeout_ms:
    description:
      - How long to wait for an answer before sending a request again, in milliseconds
        (orvanectl's C(--timeout)). orvanectl's own default when not given.
    type: int
  retries:
    description:
      - How many times a request is sent again before its setting counts as unanswered
        (orvanectl's C(--retries)). orvanectl's own default when not given.
    type: int
  in_flight:
    description:
      - Requests sent before waiting for their answers (orvanectl's C(--in-flight)).
        orvanectl's own default when not given.
    type: int
  orvanectl:
    description:
      - The orvanectl program to run. Found on the managed host's C(PATH) when not given.
    type: path
requirements:
  - orvanectl on the managed host (Debian package orvane-config)
'''

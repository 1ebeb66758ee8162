"""Where the benchmark scripts find the programs they measure, and their summary line.

The programs measured are the release build the setups install (build/shipped/bin);
the drivers (the tests' helpers that find windows and send messages) stay those of
the debug build. Each figure ends in one line of the form tools/bench collects:
    figure NAME: now VALUE UNIT, goal VALUE UNIT: met|missed"""

import os

BUILD = os.environ["TORNEL_BUILD"]
RELEASE_BIN = os.environ.get("TORNEL_RELEASE_BIN", os.path.join(BUILD, "shipped", "bin"))
RELEASE_TORNEL = os.path.join(RELEASE_BIN, "Tornel.exe")
DEBUG_BIN = os.path.join(BUILD, "bin")


def figure(name, now, goal, unit, met=None):
    """A figure whose goal is an upper bound unless met says otherwise."""
    if met is None:
        met = now <= goal
    print(f"figure {name}: now {now:.2f} {unit}, goal {goal:g} {unit}: {'met' if met else 'missed'}", flush=True)

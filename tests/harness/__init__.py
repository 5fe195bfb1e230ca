"""The harness of everything that runs our Windows programs under Wine: the end-to-end
scenarios, the demo and the benchmarks.

- build: the trees of a build folder and the programs in them;
- wine: a Wine environment of a build (WineEnv) and the processes run in it;
- trace: the debug viewer around a block, and what it captured;
- boxes: answering, describing and picturing the windows a program shows;
- servers: nginx and a scripted server on 127.0.0.1;
- setups: small setups made by the builder;
- products: installed products with their update agent, and releases for them;
- procstat: what /proc says about a process (CPU, memory).

Nothing here reads the environment or starts anything when imported: a caller makes a
Build from a build folder and a WineEnv from it."""
from harness.build import Build, host_bits
from harness.wine import WineEnv, WineProcess, lines_of, wait_for, winpath

__all__ = ["Build", "WineEnv", "WineProcess", "host_bits", "lines_of", "wait_for", "winpath"]

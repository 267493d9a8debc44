#!/usr/bin/env python3
# The owner's memory while one client sends dump requests for 8 seconds and never reads an answer,
# and after that client left. Prints the owner's resident size (MB) before, during and after, how
# many requests went out and whether the owner dropped the client.
# Usage: bench/greedy_client.py PATH/TO/vortella-cli
import json, os, shutil, socket, subprocess, sys, tempfile, time

cli = sys.argv[1]
run = tempfile.mkdtemp(prefix="vt-greedy-")
os.chmod(run, 0o700)
env = dict(os.environ, XDG_RUNTIME_DIR=run, HOME=run)
serve = subprocess.Popen([cli, "--simulate", "serve"], env=env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
path = run + "/vortella/control"
try:
    for _ in range(100):
        if os.path.exists(path):
            break
        time.sleep(0.1)
    time.sleep(3)  # connected to the simulated unit, its image read

    def rss_mb():
        for line in open(f"/proc/{serve.pid}/status"):
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) // 1024
        return -1

    print("owner before:", rss_mb(), "MB")
    s = socket.socket(socket.AF_UNIX)
    s.connect(path)
    s.setblocking(False)
    line = (json.dumps({"jsonrpc": "2.0", "id": 1, "method": "dump"}) + "\n").encode()
    burst = line * 1000
    sent, dropped, start = 0, False, time.time()
    while sent < 100000 and time.time() - start < 8:
        try:
            sent += s.send(burst) // len(line)
        except BlockingIOError:
            time.sleep(0.01)
        except (BrokenPipeError, ConnectionResetError):
            dropped = True
            break
    time.sleep(max(0.0, 8 - (time.time() - start)))
    print("requests sent:", sent, "| dropped by the owner:", dropped)
    print("owner while the client holds on:", rss_mb(), "MB")
    s.close()
    time.sleep(3)
    print("owner after the client left:", rss_mb(), "MB")
finally:
    serve.terminate()
    serve.wait()
    shutil.rmtree(run, ignore_errors=True)

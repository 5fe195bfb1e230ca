"""scripts/demo: the sample suite of examples/demo, or with --update the whole life of a
product that updates itself, under Wine in an environment of its own
(build/wine-demo32 or -demo64) on its own Xvfb display (DEMO_DISPLAY=:0, say, uses that
display instead). scripts/demo installs what is missing and builds first.

The setup: the builder makes build/demo/setup.exe of examples/demo/manifest.ini; it runs,
the reference engine installs its files into build/demo/installed, a picture of the
progress window is taken while it shows (build/demo/progress.png), and the demo ends with
the launcher's exit code.

The update: installs version 1 of the sample product (examples/update/product.ini) with
our launcher, publishes version 2 (examples/update/release.ini) with our publisher on a
loopback nginx, signed with a key pair made for the run (build/demo/keys: the product's
setups carry its public key, so the agent takes only what that key signed), starts the
installed product and its plain agent, answers the agent's questions, and watches the
agent find the release, close the product, install version 2, say so (its box is saved
as build/demo/finish.png) and start the product again. Every
step has a time limit; one that does not happen ends the demo with a message saying
which, and what the agent's update log says.

    scripts/demo.py [--update] [--build DIR]"""
import argparse
import os
import shutil
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(TOP, "tests"))
from harness import Build, WineEnv, boxes, lines_of, products, servers, wait_for, winpath  # noqa: E402

BOX_CAPTION = "Sample Product Update"  # texts.ini [MsgBox] Confirm
# The progress window carries the payload's title (English or German).
PROGRESS_TITLE = "^Demo(-Installation| Setup)$"


class StepFailed(Exception):
    pass


def say(text):
    print("demo: " + text, flush=True)


def installed_version(product):
    text = lines_of(os.path.join(product.target, "version.txt"))[:1] or ["(none)"]
    return "VersionOriginal=%s in %s, version.txt says \"%s\"" % (
        product.version, os.path.basename(product.original_path), text[0])


def build_product(product, version, record, public_key):
    """The product's setup at version, made by the builder from the example manifest; its
    agent takes releases signed with the key of public_key only."""
    build = product.build
    setup = os.path.join(product.folder, "product-%d.exe" % version)
    parameters = "/Version=%d /Texts=texts.ini \"/ProgramName=%s\" /Target=%s /Record=%s" % (
        version, product.program, winpath(product.target), winpath(record))
    result = subprocess.run([
        build.builder, os.path.join(TOP, "examples", "update", "product.ini"), "-o", setup, "--launcher",
        build.launcher, "--set", "Files/Engine.exe=" + build.engine,
        "--set", "Files/SampleProduct.exe=" + build.sample_product,
        "--set", "Files/version.txt=version-%d.txt" % version, "--set", "Update/ServerUrl=" + product.server_url,
        "--set", "Update/PublicKey=" + public_key,
        "--set", "Run/Parameters=" + parameters], capture_output=True, text=True)
    if result.returncode != 0:
        raise StepFailed("builder failed:\n%s" % result.stderr.strip())
    return setup


def answer_box(product, what, seconds=60):
    """Answers the agent's next question with Yes (its key Y)."""
    boxes.answer(product.wine, BOX_CAPTION, "Y", seconds)
    say("answered the %s with Yes" % what)


def life(product, served, finish_png, keys):
    say("server: nginx on %s serves %s" % (product.server_url, served))
    # A pair for this run only: no private key lives in the sources.
    private, public, key_id = products.keygen(product.build, keys, "sample-release")
    say("made the demo's release key pair %s (key id %s)" % (os.path.relpath(keys, TOP), key_id))
    setup = build_product(product, 1, product.install_record, public)
    say("installing version 1 with %s" % os.path.relpath(setup, TOP))
    product.install(setup)
    say("installed: " + ", ".join(sorted(os.listdir(product.target))))
    before = installed_version(product)
    say("version before: " + before)

    update = build_product(product, 2, os.path.join(product.folder, "update.txt"), public)
    published = products.publish(product.build, {
        "Release": {"Output": os.path.join(served, "sample"), "DownloadUrl": product.server_url,
                    "PrivateKey": private},
        "Update": {"Setup": update, "RunningProcess": product.running_process()}},
        manifest=os.path.join(TOP, "examples", "update", "release.ini"))
    say("published version 2, signed: " + ", ".join(sorted(os.listdir(published))))

    product.start_product()
    say("the product runs")
    if product.run_agent() != 0:
        raise StepFailed("the plain agent did not end well")
    product.wait_logged("WinMain", seconds=30)
    say("the agent runs (%s); it checks about 4 s after its start" % os.path.basename(product.xcopy))

    decision = product.wait_logged("GetOkToPerformAU = ", seconds=60)[0]
    say("the agent decided: " + decision)
    if not decision.startswith("6 "):
        raise StepFailed("the agent did not take the release")
    # A keyed agent keeps a release's description only once it verified, with its signature.
    if not os.path.exists(product.info_path + ".sig"):
        raise StepFailed("the agent kept no signature beside the release")
    say("the release verified: the agent kept %s with its signature" % os.path.basename(product.info_path))
    answer_box(product, "download question")
    answer_box(product, "install question")
    wait_for(lambda: product.product_recorded("close"), 60, "close of the product")
    say("the agent closed the product; the update setup installs version 2")
    boxes.picture(product.wine, "^%s$" % BOX_CAPTION, finish_png, seconds=90)
    say("the finish message shows (picture: %s)" % os.path.relpath(finish_png, TOP))
    answer_box(product, "finish message (start the product again?)")
    wait_for(lambda: product.product_recorded("start")[1:], 60, "second start of the product")
    if product.wait_logged("PerformAutoUpdate() - END    Result=", seconds=30)[0] != "TRUE":
        raise StepFailed("the update cycle did not complete")
    say("version before: " + before)
    say("version after:  " + installed_version(product))
    say("the product recorded:")
    for line in product.product_record_lines():
        print("  " + line)

    # The agent restarts itself through the plain agent (after 10 s), so that a new agent
    # delivered by the update takes over; its check finds nothing new.
    again = product.wait_logged("GetOkToPerformAU = ", count=2, seconds=60)[1]
    say("the restarted agent decided: " + again)


def update_demo(wine, demo):
    work = os.path.join(demo, "update")
    served = os.path.join(work, "served")
    os.makedirs(os.path.join(served, "sample"))
    keys = os.path.join(demo, "keys")
    os.makedirs(keys)
    # The names the example manifests give; its processes end with the block.
    with servers.nginx(served, wine.scratch("nginx")) as server, \
            products.Product(wine, work, server.url + "/sample", agent_name="sample-agent.exe",
                             info_name="sample.info") as product:
        try:
            life(product, served, os.path.join(demo, "finish.png"), keys)
        except (StepFailed, AssertionError) as failure:  # the harness fails with AssertionError
            say("FAILED: %s" % failure)
            say("the agent's update log (%s):" % product.log_path)
            for line in lines_of(product.log_path)[-25:]:
                print("  " + line)
            return 1
    say("done: the product updated itself from version 1 to version 2")
    return 0


def setup_demo(wine, demo):
    build = wine.build
    setup = os.path.join(demo, "setup.exe")
    target = os.path.join(demo, "installed")
    parameters = "/demo /WorkMs=1500 /Target=%s /Record=%s" % (winpath(target),
                                                              winpath(os.path.join(demo, "engine.txt")))
    subprocess.run([build.builder, os.path.join(TOP, "examples", "demo", "manifest.ini"), "-o", setup,
                    "--launcher", build.launcher, "--set", "Files/Engine.exe=" + build.engine,
                    "--set", "Run/Parameters=" + parameters], check=True)
    say("running %s under %d-bit Wine (%s)" % (setup, build.bits, "the shipped build" if build.bits == 32 else
                                                "the 64-bit twin: this host cannot start 32-bit processes"))
    png = os.path.join(demo, "progress.png")
    with wine.start(setup, timeout=120) as launcher:
        try:
            boxes.picture(wine, PROGRESS_TITLE, png, seconds=15, settle=1.4)
        except AssertionError:
            say("the progress window was not seen (no picture)")
        code = launcher.wait(150)
    say("launcher exit code %d" % code)
    say("installed files:")
    found = sorted(os.path.relpath(os.path.join(folder, name), target)
                   for folder, _, names in os.walk(target) for name in names)
    for name in found or ["(none)"]:
        print("  " + name)
    if os.path.exists(png):
        say("progress window picture: " + png)
    return code


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--update", action="store_true", help="the life of a product that updates itself")
    parser.add_argument("--build", default=os.path.join(TOP, "build"))
    args = parser.parse_args()
    build = Build(args.build)
    demo = os.path.join(build.folder, "demo")
    shutil.rmtree(demo, ignore_errors=True)
    os.makedirs(demo)
    state = os.path.join(build.folder, "wine-demo%d" % build.bits)
    with WineEnv.started(build, state, scratch_root=os.path.join(demo, "scratch"),
                         display=os.environ.get("DEMO_DISPLAY"), fonts=True) as wine:
        if args.update:
            say("the update agent under %d-bit Wine" % build.bits)
            return update_demo(wine, demo)
        return setup_demo(wine, demo)


if __name__ == "__main__":
    sys.exit(main())

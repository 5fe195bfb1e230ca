"""The update part of scripts/demo (scripts/demo --update runs it in its Wine environment):
the whole life of a product that updates itself.

Installs version 1 of the sample product (examples/update/product.ini) with our launcher,
publishes version 2 (examples/update/release.ini) with our publisher on a loopback nginx,
starts the installed product and its plain agent, answers the agent's questions, and
watches the agent find the release, close the product, install version 2, say so (its box
is saved as build/demo/finish.png) and start the product again. Every step has a time
limit; one that does not happen ends the demo with a message saying which, and what the
agent's update log says. Needs the environment of bench.py (K_WINE_ENV ...)."""
import os
import shutil
import subprocess
import sys
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(TOP, "tests", "e2e"))
import agents  # noqa: E402
import bench  # noqa: E402  (reads the environment scripts/demo sets)
import servers  # noqa: E402
import setups  # noqa: E402

EXAMPLE = os.path.join(TOP, "examples", "update")
DEMO = os.path.join(bench.HOST_DIR, "demo")
WORK = os.path.join(DEMO, "update")
SERVED = os.path.join(WORK, "served")
FINISH_PNG = os.path.join(DEMO, "finish.png")

BOX_CAPTION = "Sample Product Update"  # texts.ini [MsgBox] Confirm


class StepFailed(Exception):
    pass


def say(text):
    print("demo: " + text, flush=True)


def installed_version(product):
    text = bench.lines_of(os.path.join(product.target, "version.txt"))[:1] or ["(none)"]
    return "VersionOriginal=%s in %s, version.txt says \"%s\"" % (
        product.version, os.path.basename(product.original_path), text[0])


def build_product(product, version, record):
    """The product's setup at version, made by the builder from the example manifest."""
    setup = os.path.join(WORK, "product-%d.exe" % version)
    parameters = "/Version=%d /Texts=texts.ini \"/ProgramName=%s\" /Target=%s /Record=%s" % (
        version, product.program, bench.winpath(product.target), bench.winpath(record))
    result = subprocess.run([
        setups.BUILDER, os.path.join(EXAMPLE, "product.ini"), "-o", setup, "--launcher", bench.LAUNCHER,
        "--set", "Files/Engine.exe=" + setups.ENGINE, "--set", "Files/SampleProduct.exe=" + agents.SAMPLE,
        "--set", "Files/version.txt=version-%d.txt" % version, "--set", "Update/ServerUrl=" + product.server_url,
        "--set", "Run/Parameters=" + parameters], capture_output=True, text=True)
    if result.returncode != 0:
        raise StepFailed("builder failed:\n%s" % result.stderr.strip())
    return setup


def answer_box(what, seconds=60):
    """Answers the agent's next question with Yes (its key Y)."""
    bench.answer(BOX_CAPTION, "Y", seconds)
    say("answered the %s with Yes" % what)


def picture_of_box(png):
    """Saves the agent's box as png once it shows."""
    def window():
        found = subprocess.run([bench.WINE_ENV, "shell", bench.WINE_STATE, "xdotool", "search", "--onlyvisible",
                                "--name", "^%s$" % BOX_CAPTION], capture_output=True, text=True).stdout.split()
        return found[0] if found else None
    wid = agents.wait_for(window, 90, "finish message")
    time.sleep(1)  # let the box paint itself
    subprocess.run([bench.WINE_ENV, "shell", bench.WINE_STATE, "import", "-frame", "-window", wid, png], check=True)


def life(product):
    say("server: nginx on %s serves %s" % (product.server_url, SERVED))
    setup = build_product(product, 1, product.install_record)
    say("installing version 1 with %s" % os.path.relpath(setup, TOP))
    product.install(setup)
    say("installed: " + ", ".join(sorted(os.listdir(product.target))))
    before = installed_version(product)
    say("version before: " + before)

    update = build_product(product, 2, os.path.join(WORK, "update.txt"))
    served = agents.publish({"Release": {"Output": os.path.join(SERVED, "sample"), "DownloadUrl": product.server_url},
                             "Update": {"Setup": update, "RunningProcess": product.running_process()}},
                            manifest=os.path.join(EXAMPLE, "release.ini"))
    say("published version 2: " + ", ".join(sorted(os.listdir(served))))

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
    answer_box("download question")
    answer_box("install question")
    agents.wait_for(lambda: product.product_recorded("close"), 60, "close of the product")
    say("the agent closed the product; the update setup installs version 2")
    picture_of_box(FINISH_PNG)
    say("the finish message shows (picture: %s)" % os.path.relpath(FINISH_PNG, TOP))
    answer_box("finish message (start the product again?)")
    agents.wait_for(lambda: product.product_recorded("start")[1:], 60, "second start of the product")
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


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(os.path.join(SERVED, "sample"))
    if os.path.exists(FINISH_PNG):
        os.remove(FINISH_PNG)
    # The names the example manifests give; its processes end with the block.
    with servers.nginx(SERVED) as server, agents.Product(WORK, server.url + "/sample", agent_name="sample-agent.exe",
                                                         info_name="sample.info") as product:
        try:
            life(product)
        except (StepFailed, AssertionError) as failure:  # the shared helpers fail with AssertionError
            say("FAILED: %s" % failure)
            say("the agent's update log (%s):" % product.log_path)
            for line in bench.lines_of(product.log_path)[-25:]:
                print("  " + line)
            return 1
    say("done: the product updated itself from version 1 to version 2")
    return 0

if __name__ == "__main__":
    sys.exit(main())

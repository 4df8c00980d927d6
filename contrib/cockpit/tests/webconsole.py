"""The web console page served from a build folder and a browser to look at it, for the browser
test and scripts/web-demo.sh: Debian's cockpit-ws on 127.0.0.1 with a local session (no login,
no TLS: for tests and demos only), upsconfig-cli on a simulated unit, headless Chromium driven by
Selenium."""

import json
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import sys
import urllib.request

COCKPIT_WS = "/usr/lib/cockpit/cockpit-ws"
CHROMEDRIVER = "/usr/bin/chromedriver"


def missing_tools():
    """What the test needs and this machine lacks, as Debian package names."""
    missing = []
    if not os.access(COCKPIT_WS, os.X_OK):
        missing.append("cockpit-ws")
    if not shutil.which("cockpit-bridge"):
        missing.append("cockpit-bridge")
    if not shutil.which("chromium"):
        missing.append("chromium")
    if not os.access(CHROMEDRIVER, os.X_OK):
        missing.append("chromium-driver")
    try:
        import selenium  # noqa: F401
    except ImportError:
        missing.append("python3-selenium")
    return missing


def end_cleanly_on_sigterm():
    """A timeout's SIGTERM runs the finally blocks too, which stop cockpit-ws and the browser."""
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(1))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Unit:
    """upsconfig-cli on one simulated unit, with its state file and backups in work."""

    def __init__(self, cli, work, model=3):
        self.cli = os.path.abspath(cli)
        self.work = work
        self.model = model
        self.state = os.path.join(work, "sim.state")
        self.bin = os.path.join(work, "bin")
        os.makedirs(self.bin, exist_ok=True)
        # The page runs the command line by its name, from the PATH.
        link = os.path.join(self.bin, "upsconfig-cli")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(self.cli, link)

    def environment(self, simulated=True):
        env = dict(os.environ, PATH=self.bin + ":" + os.environ.get("PATH", ""),
                   XDG_DATA_HOME=os.path.join(self.work, "data"))
        if simulated:
            env.update(UPSCONFIG_SIMULATE=str(self.model), UPSCONFIG_SIM_STATE=self.state)
        else:
            env.pop("UPSCONFIG_SIMULATE", None)
            env.pop("UPSCONFIG_SIM_STATE", None)
        return env

    def run(self, *args):
        """The command line's JSON answer, as the page would get it."""
        result = subprocess.run([os.path.join(self.bin, "upsconfig-cli"), *args, "--json"],
                                env=self.environment(), capture_output=True, text=True,
                                timeout=60)
        return json.loads(result.stdout)


class Console:
    """cockpit-ws serving the build folder's page; env reaches the commands the page runs."""

    def __init__(self, data_dir, env):
        self.port = free_port()
        env = dict(env, XDG_DATA_DIRS=os.path.abspath(data_dir) + ":/usr/share")
        self.log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(
            [COCKPIT_WS, "--no-tls", "--address", "127.0.0.1", "--port", str(self.port),
             "--local-session=cockpit-bridge"],
            env=env, stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 20
        while True:
            try:
                urllib.request.urlopen(self.page_url(), timeout=2).close()
                return
            except OSError:
                if self.process.poll() is not None or time.monotonic() > deadline:
                    self.stop()
                    self.log.seek(0)
                    said = self.log.read().decode(errors="replace").strip()[-2000:]
                    raise RuntimeError("cockpit-ws did not start" + (": " + said if said else ""))
                time.sleep(0.2)

    def page_url(self):
        return f"http://127.0.0.1:{self.port}/cockpit/@localhost/upsconfig/index.html"

    def shell_url(self):
        return f"http://127.0.0.1:{self.port}/upsconfig"

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def browser(downloads, width=1280, height=1000):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", f"--window-size={width},{height}"):
        options.add_argument(argument)
    options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                              "download.prompt_for_download": False})
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)


def scratch():
    return tempfile.mkdtemp(prefix="upsconfig-web-")


def wait_for(what, check, timeout=20):
    """check()'s first true value; its exceptions count as not yet (the page is still coming)."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = check()
            if value:
                return value
        except Exception:  # noqa: BLE001
            pass
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.1)


def press(scope, label):
    """Clicks the button that a person reads as label (or a screen reader hears)."""
    from selenium.webdriver.common.by import By

    scope.find_element(By.XPATH, f".//button[normalize-space()='{label}' or "
                                 f"@aria-label='{label}']").click()


def screenshots(unit, data_dir, folder):
    """Saves the page's views as PNG files: in the console, its settings, an Apply's preview, an
    outlet's question and the diagnosis without a unit."""
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys

    os.makedirs(folder, exist_ok=True)
    consoles = [Console(data_dir, unit.environment())]
    driver = browser(unit.work, 1280, 900)
    shot = lambda name: driver.save_screenshot(os.path.join(folder, name))  # noqa: E731
    ready = lambda: "KVR8" in driver.find_element(By.ID, "status-model").text  # noqa: E731
    try:
        if shutil.which("cockpit-bridge") and os.path.isdir("/usr/share/cockpit/shell"):
            driver.get(consoles[0].shell_url())
            wait_for("the page in the console", lambda: driver.find_element(
                By.CSS_SELECTOR, "iframe[name='cockpit1:localhost/upsconfig']"))
            driver.switch_to.frame("cockpit1:localhost/upsconfig")
            wait_for("the status", ready)
            time.sleep(0.5)  # the shell's own status lines
            driver.switch_to.default_content()
            shot("01-console.png")
        driver.get(consoles[0].page_url())
        wait_for("the status", ready)
        press(driver, "Battery")
        field = driver.find_element(By.ID, "setting-bLowBattTime")
        field.click()
        field.send_keys(Keys.END, Keys.BACKSPACE * 3, "5")
        shot("02-settings.png")
        press(driver, "Apply")
        wait_for("the preview", lambda: "5 min" in driver.find_element(
            By.CSS_SELECTOR, "[role=dialog]").text)
        shot("03-apply-preview.png")
        press(driver, "Cancel")
        press(driver, "Outlet group 2 reboot")
        wait_for("the question", lambda: driver.find_element(By.CSS_SELECTOR, "[role=dialog]"))
        shot("04-outlet-question.png")
        press(driver, "Cancel")
        consoles.append(Console(data_dir, unit.environment(simulated=False)))
        driver.get(consoles[1].page_url())
        wait_for("the diagnosis", lambda: driver.find_element(By.ID, "diagnosis-title"))
        shot("05-no-unit.png")
    finally:
        driver.quit()
        for console in consoles:
            console.stop()


def main():
    import argparse

    parser = argparse.ArgumentParser(description="Serves the web console page on a simulated "
                                     "unit (127.0.0.1, no login: for a look and for tests only).")
    parser.add_argument("cli", help="the upsconfig-cli program")
    parser.add_argument("data_dir", help="the folder with cockpit/upsconfig in it")
    parser.add_argument("--screenshots", metavar="DIR", help="save the page's views, then stop")
    args = parser.parse_args()
    end_cleanly_on_sigterm()
    work = scratch()
    console = None
    try:
        unit = Unit(args.cli, work)
        if args.screenshots:
            screenshots(unit, args.data_dir, args.screenshots)
            print(f"The page's views are in {args.screenshots}")
            return 0
        console = Console(args.data_dir, unit.environment())
        print(f"The UPS page on a simulated unit of model {unit.model}:\n"
              f"  {console.page_url()}\n  in the console: {console.shell_url()}\n"
              f"Drive the unit with: {args.cli} --simulate --sim-state {unit.state} "
              "sim online|standby\nCtrl+C stops.", flush=True)
        console.process.wait()
        return 0
    except KeyboardInterrupt:
        return 0
    finally:
        if console:
            console.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

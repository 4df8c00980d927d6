"""The web console page in a real browser, served by Cockpit from the build folder, on a
simulated unit: what a person sees and does there, checked against what the unit then holds.
Usage: browser_test.py PATH-TO-upsconfig-cli COCKPIT-DATA-DIR"""

import glob
import os
import shutil
import sys

import webconsole

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from webconsole import press, wait_for


def text_of(driver, element_id):
    return driver.find_element(By.ID, element_id).text


def dialog(driver):
    return driver.find_element(By.CSS_SELECTOR, "[role=dialog]")


def dialog_says(driver, words, timeout=30):
    return wait_for(f"the dialog to say {words!r}",
                    lambda: words in dialog(driver).text and dialog(driver), timeout)


def close_dialog(driver):
    press(dialog(driver), "Close")
    wait_for("the dialog to close",
             lambda: not driver.find_elements(By.CSS_SELECTOR, "[role=dialog]"))


def held(unit, key):
    for group in unit.run("show")["groups"]:
        for setting in group["settings"]:
            if setting["key"] == key:
                return setting["meaning"]
    raise AssertionError(f"{key} not shown")


def status_shows_the_unit(driver, unit):
    wait_for("the model", lambda: "KVR8-3000-120" in text_of(driver, "status-model"))
    assert text_of(driver, "status-state") == "Standby"
    # Every control on every settings page carries a name that a screen reader reads out.
    for tab in driver.find_elements(By.CSS_SELECTOR, "#settings-tabs [role=tab]"):
        tab.click()
        for element in driver.find_elements(By.CSS_SELECTOR,
                                            "#app button, #app select, #app input"):
            if element.is_displayed():
                assert element.accessible_name.strip(), element.get_attribute("outerHTML")


def setting_applied_after_its_dry_run(driver, unit):
    press(driver, "Battery")
    field = wait_for("the field", lambda: driver.find_element(By.ID, "setting-bLowBattTime"))
    field.click()
    field.send_keys(Keys.END, Keys.BACKSPACE * 3, "5")
    press(driver, "Apply")
    preview = dialog_says(driver, "5 min")
    assert "2 min" in preview.text, preview.text
    assert held(unit, "bLowBattTime") == "2 min", "the dry run wrote"
    press(preview, "Apply")
    dialog_says(driver, "Written and verified")
    assert "Verified" in dialog(driver).text
    close_dialog(driver)
    assert held(unit, "bLowBattTime") == "5 min"
    wait_for("the backup", lambda: "bLowBattTime" in driver.find_element(By.ID, "backups").text)


def standby_only_refused_while_online(driver, unit):
    press(driver, "UPS")
    choice = wait_for("the choice", lambda: driver.find_element(By.ID, "setting-bOutputLevel"))
    choice.find_element(By.XPATH, "option[.='115 V']").click()
    unit.run("sim", "online")
    wait_for("the page to see the unit online",
             lambda: text_of(driver, "status-state") == "Online" and not choice.is_enabled(),
             timeout=15)
    press(driver, "Apply")
    refusal = dialog_says(driver, "Refused")
    assert "standby" in refusal.text, refusal.text
    close_dialog(driver)
    assert held(unit, "bOutputLevel") == "120 V"
    unit.run("sim", "standby")


def outlet_off_asks_first(driver, unit):
    # Escape takes the question back, as in Cockpit's own dialogs, and the focus returns.
    press(driver, "Outlet group 1 off")
    dialog_says(driver, "Turn off outlet group 1?")
    driver.switch_to.active_element.send_keys(Keys.ESCAPE)
    wait_for("the question to go",
             lambda: not driver.find_elements(By.CSS_SELECTOR, "[role=dialog]"))
    assert driver.switch_to.active_element.accessible_name == "Outlet group 1 off"
    assert unit.run("status")["outlets"]["1"] is True, "switched without an answer"
    press(driver, "Outlet group 1 off")
    question = dialog_says(driver, "Turn off outlet group 1?")
    assert unit.run("status")["outlets"]["1"] is True, "switched before the answer"
    press(question, "Turn off")
    wait_for("the outlet off", lambda: text_of(driver, "outlet-1-state") == "Off")
    assert unit.run("status")["outlets"]["1"] is False


def export_downloads_a_settings_file(driver, unit, downloads):
    press(driver, "Export settings file")
    files = wait_for("the download", lambda: glob.glob(os.path.join(downloads, "*.kvr")))
    with open(files[0]) as f:
        lines = f.read().splitlines()
    assert len(lines) == 71, len(lines)
    assert "      <bLowBattTime>5</bLowBattTime>" in lines, lines


def uploaded_file_applied_after_its_preview(driver, unit, downloads):
    exported = glob.glob(os.path.join(downloads, "*.kvr"))[0]
    upload = os.path.join(downloads, "upload.kvr")
    with open(exported) as f, open(upload, "w") as out:
        out.write(f.read().replace("<bLowBattTime>5<", "<bLowBattTime>7<"))
    driver.find_element(By.ID, "settings-upload").send_keys(upload)
    preview = dialog_says(driver, "7 min")
    assert "Apply upload.kvr" in preview.text and "5 min" in preview.text, preview.text
    press(preview, "Apply")
    dialog_says(driver, "Written and verified")
    close_dialog(driver)
    assert held(unit, "bLowBattTime") == "7 min"


def backup_restored_after_its_preview(driver, unit):
    # The newest backup holds the settings before the upload.
    restore = wait_for("the newest backup", lambda: driver.find_element(
        By.XPATH, "//button[starts-with(@aria-label, 'Restore backup 1 ')]"))
    # Escape answers the question as Cancel does: nothing written, and the status is followed.
    restore.click()
    dialog_says(driver, "7 min")
    driver.switch_to.active_element.send_keys(Keys.ESCAPE)
    wait_for("the question to go",
             lambda: not driver.find_elements(By.CSS_SELECTOR, "[role=dialog]"))
    unit.run("sim", "online")
    wait_for("the status followed again", lambda: text_of(driver, "status-state") == "Online",
             timeout=15)
    unit.run("sim", "standby")
    assert held(unit, "bLowBattTime") == "7 min"
    restore.click()
    preview = dialog_says(driver, "7 min")
    assert "5 min" in preview.text, preview.text
    press(preview, "Apply")
    dialog_says(driver, "Written and verified")
    close_dialog(driver)
    assert held(unit, "bLowBattTime") == "5 min"


def no_unit_shows_the_diagnosis(driver, console):
    driver.get(console.page_url())
    title = wait_for("the diagnosis", lambda: text_of(driver, "diagnosis-title"))
    assert title == "No UPS found", title
    body = driver.find_element(By.ID, "app").text
    assert "Fix:" in body and "lsusb" in body, body
    press(driver, "Try again")
    wait_for("the diagnosis again", lambda: text_of(driver, "diagnosis-title") == "No UPS found")


def main():
    cli, data_dir = sys.argv[1:3]
    webconsole.end_cleanly_on_sigterm()
    work = webconsole.scratch()
    downloads = os.path.join(work, "downloads")
    os.makedirs(downloads)
    unit = webconsole.Unit(cli, work)
    consoles = []
    driver = None
    failed = passed = 0
    try:
        simulated = webconsole.Console(data_dir, unit.environment())
        consoles.append(simulated)
        driver = webconsole.browser(downloads)
        driver.get(simulated.page_url())
        steps = [
            ("status shows the simulated unit", lambda: status_shows_the_unit(driver, unit)),
            ("a setting applied after its dry run",
             lambda: setting_applied_after_its_dry_run(driver, unit)),
            ("a standby-only setting refused while online",
             lambda: standby_only_refused_while_online(driver, unit)),
            ("outlet off asks first", lambda: outlet_off_asks_first(driver, unit)),
            ("export downloads a settings file",
             lambda: export_downloads_a_settings_file(driver, unit, downloads)),
            ("an uploaded settings file applied after its preview",
             lambda: uploaded_file_applied_after_its_preview(driver, unit, downloads)),
            ("a backup restored after its preview",
             lambda: backup_restored_after_its_preview(driver, unit)),
        ]
        for name, step in steps:
            try:
                step()
                print(f"PASSED: {name}")
                passed += 1
            except Exception as error:  # noqa: BLE001 - each step reports and the next runs
                print(f"FAILED: {name}: {error}")
                failed += 1
        errors = [e["message"] for e in driver.get_log("browser")
                  if e["level"] == "SEVERE" and "Uncaught" in e["message"]]
        if errors:
            print("FAILED: the page raised errors:", *errors, sep="\n  ")
            failed += 1

        bare = webconsole.Console(data_dir, unit.environment(simulated=False))
        consoles.append(bare)
        try:
            no_unit_shows_the_diagnosis(driver, bare)
            print("PASSED: no unit shows the diagnosis")
            passed += 1
        except Exception as error:  # noqa: BLE001
            print(f"FAILED: no unit shows the diagnosis: {error}")
            failed += 1
    finally:
        if driver:
            driver.quit()
        for console in consoles:
            console.stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

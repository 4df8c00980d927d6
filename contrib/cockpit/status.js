// The status card: model, versions, state and time up, the outlet groups and the battery test.

import { run } from "./cli.js";
import {
    alert, button, card, confirm, failureAlert, h, replace, spinner, uniqueId,
} from "./dom.js";
import { lockStandbyOnly } from "./settings.js";
import { deviceArgs, page, state } from "./state.js";

function formatUptime(seconds) {
    if (seconds === null || seconds === undefined) return "Not reported";
    const days = Math.floor(seconds / 86400);
    const hours = Math.floor((seconds % 86400) / 3600);
    const minutes = Math.floor((seconds % 3600) / 60);
    const parts = [];
    if (days) parts.push(`${days} d`);
    if (days || hours) parts.push(`${hours} h`);
    parts.push(`${minutes} min`);
    return parts.join(" ");
}

function outletControls(number) {
    const labelId = uniqueId("outlet");
    const group = `outlet group ${number}`;
    const send = async (action) => {
        if (action !== "on") {
            const asked = action === "off"
                ? confirm(`Turn off outlet group ${number}?`,
                          `The equipment on ${group} loses power.`, "Turn off")
                : confirm(`Reboot outlet group ${number}?`,
                          `The equipment on ${group} loses power, then gets it back.`, "Reboot");
            if (!(await asked)) return;
        }
        await command(["outlet", String(number), action],
                      `Outlet group ${number}: ${action === "reboot" ? "rebooting" : action}`);
    };
    return h("div", { class: "upsconfig-outlet", role: "group", "aria-labelledby": labelId },
             h("span", { id: labelId, class: "upsconfig-outlet-name" }, `Outlet group ${number}`),
             h("span", { id: `outlet-${number}-state`, class: "upsconfig-value" }),
             ["on", "off", "reboot"].map((action) => button(
                 action[0].toUpperCase() + action.slice(1), () => send(action), "secondary",
                 { "aria-label": `Outlet group ${number} ${action}` })));
}

// A single command (outlet, battery test): its outcome shows under the status.
async function command(args, done) {
    state.busy = true;
    replace("status-message", spinner("Sending the command\u2026"));
    try {
        await run([...args, "--yes", ...deviceArgs()]);
        replace("status-message", alert("success", done));
    } catch (failure) {
        replace("status-message", failureAlert(failure));
    } finally {
        state.busy = false;
    }
    await refreshStatus();
}

export function statusCard() {
    const item = (term, id) => h("div", { class: "pf-c-description-list__group" },
                                 h("dt", { class: "pf-c-description-list__term" },
                                   h("span", { class: "pf-c-description-list__text" }, term)),
                                 h("dd", { class: "pf-c-description-list__description" },
                                   h("div", { class: "pf-c-description-list__text", id },
                                     "\u2026")));
    const hasOutlets = state.settings && state.settings.pages.some((page) => /^Outlet/.test(page));
    return card("Status",
                h("dl", { class: "pf-c-description-list pf-m-horizontal pf-m-compact" },
                  item("Model", "status-model"), item("Versions", "status-versions"),
                  item("State", "status-state"), item("Up for", "status-uptime")),
                hasOutlets ? h("div", { class: "upsconfig-outlets" }, outletControls(1),
                               outletControls(2)) : null,
                h("div", { class: "upsconfig-actions" },
                  button("Start battery test", () => command(["battery-test", "start"],
                                                             "Battery test started")),
                  button("Stop battery test", () => command(["battery-test", "stop"],
                                                            "Battery test stopped"))),
                h("div", { id: "status-message" }), h("div", { id: "status-poll" }));
}

function showStatus(status) {
    const text = (id, value) => {
        const element = document.getElementById(id);
        if (element && element.textContent !== value) element.textContent = value;
    };
    const v = status.versions;
    const model = status.model;
    text("status-model", `${model.name || "Unknown model"} (model code ${model.code})`);
    text("status-versions", `hardware ${v.hardware}, power firmware ${v.power_firmware}, ` +
         `monitor firmware ${v.monitor_firmware}`);
    text("status-state", status.online ? "Online" : "Standby");
    text("status-uptime", formatUptime(status.uptime_seconds));
    for (const n of ["1", "2"]) text(`outlet-${n}-state`, status.outlets[n] ? "On" : "Off");
    lockStandbyOnly(status.online);
}

let polling = false;
export async function refreshStatus() {
    if (polling || !document.getElementById("status-model")) return;
    polling = true;
    try {
        state.status = await run(["status", ...deviceArgs()]);
        showStatus(state.status);
        replace("status-poll");
    } catch (failure) {
        if (failure.kind === "no_unit" || failure.kind === "no_permission") {
            polling = false;
            // The unit went away or its access changed: say why, as at the start.
            await page.start();
            return;
        }
        replace("status-poll", failureAlert(failure));
    } finally {
        polling = false;
    }
}

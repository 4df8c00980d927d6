// The UPS page of the web console. It knows nothing of the unit itself: everything it shows
// and does goes through upsconfig-cli (cli.js), as a person at a terminal would use it.

/* global cockpit */

import { CliFailure, run, withFile } from "./cli.js";

const POLL_MS = 5000; // the status while the page is visible
const MAX_FILE_BYTES = 1024 * 1024; // the command line reads no larger settings file

const VERDICTS = {
    reachable: "The unit can be reached",
    no_interface: "No UPS found",
    permission_denied: "The UPS cannot be opened: permission denied",
    busy: "The UPS is in use by another program",
    no_descriptor: "The UPS's report descriptor cannot be read",
    length_refused: "The device does not answer as a UPS of this family",
    held_by_driver: "The UPS is held by another driver",
};

const state = {
    admin: null, // whether the user has administrative access; null while not known
    units: [],
    device: null, // the chosen unit's path, when there are several
    status: null,
    settings: null, // {describe, show}
    edits: new Map(), // key -> the value as `set` takes it
    invalid: new Set(),
    busy: false, // a write or command runs: the status poll waits
    tab: null,
};

// --- Elements ------------------------------------------------------------------------------

let nextId = 0;
const uniqueId = (prefix) => `${prefix}-${++nextId}`;

function h(tag, props, ...children) {
    const element = document.createElement(tag);
    for (const [name, value] of Object.entries(props || {})) {
        if (value === undefined || value === null || value === false) continue;
        if (name === "class") element.className = value;
        else if (name.startsWith("on")) element.addEventListener(name.slice(2), value);
        else element.setAttribute(name, value === true ? "" : value);
    }
    for (const child of children.flat()) {
        if (child === null || child === undefined || child === false) continue;
        element.append(child instanceof Node ? child : String(child));
    }
    return element;
}

function button(label, onclick, variant = "secondary", props = {}) {
    return h("button", { type: "button", class: `pf-c-button pf-m-${variant}`, onclick, ...props },
             label);
}

function spinner(text) {
    return h("div", { class: "upsconfig-progress", role: "status" },
             h("span", { class: "pf-c-spinner pf-m-md", role: "progressbar", "aria-label": text }),
             h("span", {}, text));
}

// An inline alert; a failure shows the command line's kind and its message.
function alert(variant, title, ...body) {
    const live = variant === "danger" ? "alert" : "status";
    return h("div", { class: `pf-c-alert pf-m-inline pf-m-${variant}`, role: live },
             h("p", { class: "pf-c-alert__title" },
               h("span", { class: "pf-screen-reader" }, `${variant} alert:`), title),
             body.length ? h("div", { class: "pf-c-alert__description" }, ...body) : null);
}

function failureAlert(failure) {
    if (!(failure instanceof CliFailure)) return alert("danger", "Failed", String(failure));
    const hint = failure.kind === "no_permission" && state.admin === false
        ? h("p", {}, "Turn on administrative access with \u201cLimited access\u201d at the top " +
            "of the console to reach the unit.")
        : null;
    return alert("danger", failure.title, h("p", {}, failure.message), hint);
}

function card(title, ...body) {
    const titleId = uniqueId("card-title");
    return h("section", { class: "pf-c-card", "aria-labelledby": titleId },
             h("div", { class: "pf-c-card__title" },
               h("h2", { class: "pf-c-title pf-m-lg", id: titleId }, title)),
             h("div", { class: "pf-c-card__body" }, ...body));
}

function table(caption, headers, rows) {
    return h("table", { class: "pf-c-table pf-m-compact pf-m-grid-md", role: "grid" },
             h("caption", { class: "pf-screen-reader" }, caption),
             h("thead", {}, h("tr", { role: "row" },
                              headers.map((text) => h("th", { role: "columnheader", scope: "col" },
                                                      text)))),
             h("tbody", { role: "rowgroup" },
               rows.map((cells) => h("tr", { role: "row" },
                                     cells.map((cell, i) => h("td", { role: "cell",
                                                                      "data-label": headers[i] },
                                                              cell))))));
}

function replace(id, ...content) {
    const element = document.getElementById(id);
    if (element) element.replaceChildren(...content.flat().filter((c) => c));
}

// The command-line options that name the unit the page works on.
const deviceArgs = () => (state.device ? ["--device", state.device] : []);

// --- Dialogs -------------------------------------------------------------------------------

// A modal dialog in Cockpit's manner: focus stays inside, Escape closes unless it is busy, the
// focus returns to where it was.
function openDialog(title, { variant = "md" } = {}) {
    const opener = document.activeElement;
    const titleId = uniqueId("dialog-title");
    const body = h("div", { class: "pf-c-modal-box__body", "aria-live": "polite" });
    const footer = h("footer", { class: "pf-c-modal-box__footer" });
    const box = h("div", {
        class: `pf-c-modal-box pf-m-${variant}`, role: "dialog", "aria-modal": "true",
        "aria-labelledby": titleId,
    }, h("header", { class: "pf-c-modal-box__header" },
         h("h1", { class: "pf-c-modal-box__title", id: titleId }, title)), body, footer);
    const backdrop = h("div", { class: "pf-c-backdrop" },
                       h("div", { class: "pf-l-bullseye upsconfig-bullseye" }, box));
    const dialog = {
        busy: false,
        body,
        close() {
            backdrop.remove();
            document.removeEventListener("keydown", onKey, true);
            // The page may have been rebuilt meanwhile; then the focus goes to its start.
            (opener && document.contains(opener) ? opener : document.getElementById("app")).focus();
        },
        // Sets the body and the buttons: [{label, variant, onclick}], the first one focused.
        show(content, actions) {
            body.replaceChildren(...[content].flat().filter((c) => c));
            footer.replaceChildren(...actions.map((a) => button(a.label, a.onclick, a.variant)));
            const first = footer.querySelector("button");
            (first || box).focus();
        },
        working(text) {
            dialog.busy = true;
            body.replaceChildren(spinner(text));
            footer.replaceChildren(button("Cancel", null, "link", { disabled: true }));
        },
    };
    function onKey(event) {
        if (event.key === "Escape" && !dialog.busy) {
            event.preventDefault();
            dialog.close();
        } else if (event.key === "Tab") {
            const focusable = [...box.querySelectorAll("button:not([disabled]), input, select")];
            if (!focusable.length) return;
            const first = focusable[0];
            const last = focusable[focusable.length - 1];
            if (event.shiftKey && document.activeElement === first) {
                event.preventDefault();
                last.focus();
            } else if (!event.shiftKey && document.activeElement === last) {
                event.preventDefault();
                first.focus();
            } else if (!box.contains(document.activeElement)) {
                event.preventDefault();
                first.focus();
            }
        }
    }
    box.tabIndex = -1;
    document.addEventListener("keydown", onKey, true);
    document.body.append(backdrop);
    return dialog;
}

function confirm(title, text, action, variant = "danger") {
    return new Promise((resolve) => {
        const dialog = openDialog(title, { variant: "sm" });
        dialog.show(h("p", {}, text), [
            { label: action, variant, onclick: () => { dialog.close(); resolve(true) } },
            { label: "Cancel", variant: "link", onclick: () => { dialog.close(); resolve(false) } },
        ]);
    });
}

// --- Changing settings: a preview (the dry run), a question, the write and its check -------

function settingLabel(key) {
    const setting = state.settings && state.settings.describe.get(key);
    return setting ? setting.label : key;
}

function changesTable(answer, written) {
    const mismatches = new Map((answer.mismatches || []).map((m) => [m.key, m]));
    const headers = ["Setting", "Page", "Now", "New"];
    if (written) headers.push("Check");
    const rows = (answer.changes || []).map((c) => {
        const row = [
            h("span", {}, settingLabel(c.key), h("br"),
              h("small", { class: "upsconfig-key" }, c.key)),
            c.group,
            c.old_meaning,
            h("span", {}, c.new_meaning, c.standby_only && !written
                ? h("span", { class: "pf-c-label pf-m-compact pf-m-orange upsconfig-label" },
                    h("span", { class: "pf-c-label__content" }, "needs standby"))
                : null),
        ];
        if (written) {
            const mismatch = mismatches.get(c.key);
            row.push(mismatch
                ? `Not held: the unit holds ${mismatch.actual}, ${mismatch.expected} was written`
                : answer.verified ? "Verified" : "Not checked");
        }
        return row;
    });
    return table(written ? "Written settings" : "Changes", headers, rows);
}

function ignoredList(answer) {
    if (!answer.ignored || !answer.ignored.length) return null;
    return h("div", { class: "upsconfig-ignored" }, h("p", {}, "Not applied:"),
             h("ul", {}, answer.ignored.map((i) => h("li", {},
                                                     `${i.key} = ${i.value}: ${i.reason}`))));
}

// preview and write are the command's arguments for the dry run and for the write.
async function changeFlow(title, preview, write, { before } = {}) {
    const dialog = openDialog(title);
    const close = { label: "Close", variant: "primary", onclick: () => dialog.close() };
    state.busy = true;
    try {
        dialog.working("Looking at what would change\u2026");
        let answer;
        try {
            answer = await run([...preview, "--dry-run", ...deviceArgs()]);
        } catch (failure) {
            dialog.busy = false;
            dialog.show([failureAlert(failure)], [close]);
            return false;
        }
        dialog.busy = false;
        if (!answer.changes.length) {
            dialog.show([alert("info", "Nothing to change",
                               h("p", {}, "The unit holds these settings already.")),
                         ignoredList(answer)], [close]);
            return false;
        }
        const go = await new Promise((resolve) => {
            const backup = h("p", {}, "The unit's settings are kept as a backup before the write.");
            const preview = [before || null, changesTable(answer, false), ignoredList(answer)];
            dialog.show([...preview, backup], [
                { label: "Apply", variant: "primary", onclick: () => resolve(true) },
                { label: "Cancel", variant: "link", onclick: () => resolve(false) },
            ]);
        });
        if (!go) {
            dialog.close();
            return false;
        }
        dialog.working("Writing to the unit, then reading it back to check it (about 5 s)\u2026");
        try {
            const result = await run([...write, "--yes", ...deviceArgs()]);
            dialog.busy = false;
            dialog.show([alert("success", "Written and verified"), changesTable(result, true)],
                        [close]);
        } catch (failure) {
            dialog.busy = false;
            const result = failure.result;
            dialog.show([failureAlert(failure),
                         result && result.changes && result.written ? changesTable(result, true)
                             : null], [close]);
        }
        return true;
    } finally {
        state.busy = false;
        dialog.busy = false;
    }
}

// --- Status --------------------------------------------------------------------------------

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

function statusCard() {
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
async function refreshStatus() {
    if (polling || !document.getElementById("status-model")) return;
    polling = true;
    try {
        state.status = await run(["status", ...deviceArgs()]);
        showStatus(state.status);
        replace("status-poll");
    } catch (failure) {
        if (failure.kind === "no_unit" || failure.kind === "no_permission") {
            polling = false;
            await start(); // the unit went away or its access changed: say why, as at the start
            return;
        }
        replace("status-poll", failureAlert(failure));
    } finally {
        polling = false;
    }
}

// --- Settings ------------------------------------------------------------------------------

// The value a range setting's meaning starts with, in the setting's own unit ("5 min": 5).
const numberOf = (meaning) => Number.parseFloat(meaning);

function control(setting, current, onChange) {
    const id = `setting-${setting.key}`;
    const helpId = `${id}-help`;
    let element;
    if (setting.values) {
        const options = setting.values.map((v) => h("option", { value: v.value }, v.value));
        const known = setting.values.find((v) => v.raw === current.raw);
        if (!known) // a value the choices do not name is shown, and kept unless changed
            options.unshift(h("option", { value: `raw:${current.raw}` }, current.meaning));
        element = h("select", { class: "pf-c-form-control", id, "aria-describedby": helpId },
                    options);
        element.value = known ? known.value : `raw:${current.raw}`;
    } else {
        const range = setting.range || {};
        element = h("input", {
            class: "pf-c-form-control", id, type: "number", inputmode: "numeric",
            min: range.min, max: range.max, step: range.step, "aria-describedby": helpId,
        });
        element.value = String(Number.isNaN(numberOf(current.meaning)) ? current.raw
            : numberOf(current.meaning));
    }
    element.dataset.key = setting.key;
    element.dataset.initial = element.value;
    if (setting.standby_only) element.dataset.standbyOnly = "1";
    element.addEventListener(setting.values ? "change" : "input", () => onChange(element));
    const rangeText = setting.range ? rangeWords(setting, "") : "";
    return h("div", { class: "pf-c-form__group" },
             h("div", { class: "pf-c-form__group-label" },
               h("label", { class: "pf-c-form__label", for: id },
                 h("span", { class: "pf-c-form__label-text" }, setting.label))),
             h("div", { class: "pf-c-form__group-control" },
               h("div", { class: "upsconfig-control" }, element,
                 setting.unit && !setting.values
                     ? h("span", { class: "upsconfig-unit" }, setting.unit) : null),
               h("div", { class: "pf-c-helper-text", id: helpId, "aria-live": "polite" },
                 h("div", { class: "pf-c-helper-text__item" },
                   h("span", { class: "pf-c-helper-text__item-text", "data-role": "help",
                               "data-usual": rangeText }, rangeText)),
                 setting.standby_only
                     ? h("div", { class: "pf-c-helper-text__item upsconfig-standby" },
                         h("span", { class: "pf-c-helper-text__item-text" },
                           "Changes only while the UPS is in standby"))
                     : null)));
}

// "2 to 30 min", or with a prefix "Enter a number from 2 to 30 min", and the step if not 1.
function rangeWords(setting, prefix) {
    const { min, max, step } = setting.range;
    return `${prefix}${min} to ${max}${setting.unit ? " " + setting.unit : ""}` +
        (step && step !== 1 ? `, in steps of ${step}` : "");
}

function validRange(setting, text) {
    const number = Number(text);
    if (text.trim() === "" || !Number.isFinite(number)) return false;
    const range = setting.range;
    if (!range) return true;
    const steps = (number - range.min) / (range.step || 1);
    return number >= range.min && number <= range.max && Math.abs(steps - Math.round(steps)) < 1e-9;
}

function onEdit(element) {
    const key = element.dataset.key;
    const setting = state.settings.describe.get(key);
    const help = element.closest(".pf-c-form__group").querySelector("[data-role=help]");
    state.invalid.delete(key);
    element.removeAttribute("aria-invalid");
    help.textContent = help.dataset.usual;
    if (!setting.values && !validRange(setting, element.value)) {
        state.invalid.add(key);
        element.setAttribute("aria-invalid", "true");
        help.textContent = setting.range ? rangeWords(setting, "Enter a number from ")
            : "Enter a number";
    }
    if (element.value === element.dataset.initial) {
        state.edits.delete(key);
    } else {
        state.edits.set(key, element.value);
    }
    const group = element.closest(".pf-c-form__group");
    group.classList.toggle("upsconfig-edited", state.edits.has(key));
    updateApply();
}

function updateApply() {
    const apply = document.getElementById("settings-apply");
    if (!apply) return;
    apply.disabled = state.edits.size === 0 || state.invalid.size > 0;
    document.getElementById("settings-discard").disabled = state.edits.size === 0;
    const count = state.edits.size;
    replace("settings-count", count ? `${count} ${count === 1 ? "change" : "changes"} not applied`
        : "");
}

function lockStandbyOnly(online) {
    for (const element of document.querySelectorAll("[data-standby-only]")) {
        if (element.disabled !== online) element.disabled = online;
    }
}

function selectTab(name, focus) {
    state.tab = name;
    for (const tab of document.querySelectorAll("#settings-tabs [role=tab]")) {
        const selected = tab.dataset.group === name;
        tab.setAttribute("aria-selected", String(selected));
        tab.tabIndex = selected ? 0 : -1;
        tab.parentElement.classList.toggle("pf-m-current", selected);
        document.getElementById(tab.getAttribute("aria-controls")).hidden = !selected;
        if (selected && focus) tab.focus();
    }
}

// Tabs as Cockpit's are used from the keyboard: arrows, Home and End move between them.
function onTabKey(event) {
    const tabs = [...document.querySelectorAll("#settings-tabs [role=tab]")];
    const at = tabs.indexOf(event.target);
    const to = { ArrowRight: at + 1, ArrowLeft: at - 1, Home: 0, End: tabs.length - 1 }[event.key];
    if (to === undefined) return;
    event.preventDefault();
    selectTab(tabs[(to + tabs.length) % tabs.length].dataset.group, true);
}

function settingsCard() {
    const { describe, show, pages } = state.settings;
    // The model's pages, as the window has them, each with its settings in the window's order.
    const groups = new Map(pages.map((page) => [page, []]));
    for (const setting of describe.values()) {
        const current = show.get(setting.key);
        if (current) groups.get(current.group).push(setting);
    }
    if (!groups.has(state.tab)) state.tab = groups.keys().next().value;
    const tabs = [];
    const panels = [];
    for (const [name, settings] of groups) {
        if (!settings.length) continue;
        const tabId = uniqueId("tab");
        const panelId = uniqueId("panel");
        tabs.push(h("li", { class: "pf-c-tabs__item", role: "presentation" },
                    h("button", { class: "pf-c-tabs__link", role: "tab", id: tabId, type: "button",
                                  "aria-controls": panelId, "data-group": name,
                                  onclick: () => selectTab(name, false), onkeydown: onTabKey },
                      h("span", { class: "pf-c-tabs__item-text" }, name))));
        panels.push(h("section", { class: "pf-c-tab-content", id: panelId, role: "tabpanel",
                                   "aria-labelledby": tabId, tabindex: "0" },
                      h("form", { class: "pf-c-form pf-m-horizontal upsconfig-form",
                                  onsubmit: (e) => e.preventDefault() },
                        settings.map((s) => control(s, show.get(s.key), onEdit)))));
    }
    const body = card("Settings",
        h("div", { class: "pf-c-tabs", id: "settings-tabs" },
          h("ul", { class: "pf-c-tabs__list", role: "tablist", "aria-label": "Settings pages" },
            tabs)),
        panels,
        h("div", { class: "upsconfig-actions" },
          button("Apply", applyEdits, "primary", { id: "settings-apply", disabled: true }),
          button("Discard changes", () => loadSettings(), "link",
                 { id: "settings-discard", disabled: true }),
          button("Factory settings", factorySettings, "secondary"),
          h("span", { id: "settings-count", class: "upsconfig-count", "aria-live": "polite" })),
        h("div", { class: "upsconfig-actions upsconfig-files" },
          button("Export settings file", exportFile, "secondary"),
          button("Apply a settings file\u2026",
                 () => document.getElementById("settings-upload").click()),
          h("input", { type: "file", id: "settings-upload", accept: ".kvr,text/plain", hidden: true,
                       onchange: uploadFile })),
        h("div", { id: "settings-message" }));
    return body;
}

// The window's Factory Setting: the factory values onto the controls, applied like any edit.
function factorySettings() {
    for (const element of document.querySelectorAll(".upsconfig-form [data-key]")) {
        if (element.disabled) continue;
        const setting = state.settings.describe.get(element.dataset.key);
        if (!setting || !setting.factory) continue;
        const factory = setting.values
            ? (setting.values.find((v) => v.raw === setting.factory.raw) || {}).value
            : String(numberOf(setting.factory.meaning));
        if (factory === undefined || factory === "NaN" || element.value === factory) continue;
        element.value = factory;
        onEdit(element);
    }
}

async function applyEdits() {
    const pairs = [...state.edits].map(([key, value]) => `${key}=${value}`);
    const wrote = await changeFlow("Apply changes", ["set", ...pairs], ["set", ...pairs]);
    if (wrote) await reload();
}

async function exportFile() {
    replace("settings-message", spinner("Reading the unit\u2026"));
    try {
        const answer = await run(["export", ...deviceArgs()]);
        const name = `${(state.status && state.status.model.name) || "ups"}.kvr`;
        const url = URL.createObjectURL(new Blob([answer.settings_file], { type: "text/plain" }));
        const link = h("a", { href: url, download: name });
        document.body.append(link);
        link.click();
        link.remove();
        window.setTimeout(() => URL.revokeObjectURL(url), 1000); // once the browser has it
        replace("settings-message", alert("success", `Exported as ${name}`));
    } catch (failure) {
        replace("settings-message", failureAlert(failure));
    }
}

async function uploadFile(event) {
    const input = event.target;
    const file = input.files[0];
    input.value = "";
    if (!file) return;
    if (file.size > MAX_FILE_BYTES) {
        const why = `${file.name} is larger than 1 MiB: no settings file.`;
        replace("settings-message", alert("danger", "Not done", h("p", {}, why)));
        return;
    }
    replace("settings-message");
    const text = await file.text();
    let wrote = false;
    try {
        wrote = await withFile(text, (path) => changeFlow(`Apply ${file.name}`, ["apply", path],
                                                          ["apply", path]));
    } catch (failure) {
        replace("settings-message", failureAlert(failure));
    }
    if (wrote) await reload();
}

async function loadSettings() {
    state.edits.clear();
    state.invalid.clear();
    try {
        const [described, shown] = [await run(["describe", ...deviceArgs()]),
            await run(["show", ...deviceArgs()])];
        const show = new Map();
        for (const group of shown.groups)
            for (const s of group.settings) show.set(s.key, { ...s, group: group.name });
        state.settings = {
            describe: new Map(described.settings.map((s) => [s.key, s])),
            show,
            pages: shown.groups.map((g) => g.name),
        };
        replace("settings", settingsCard());
        selectTab(state.tab, false);
        if (state.status) lockStandbyOnly(state.status.online);
        updateApply();
    } catch (failure) {
        state.settings = null;
        replace("settings", card("Settings", failureAlert(failure),
                                 button("Try again", () => loadSettings())));
    }
}

// --- Backups -------------------------------------------------------------------------------

async function loadBackups() {
    try {
        const answer = await run(["history"]);
        const rows = answer.backups.map((b) => [String(b.number), b.time, b.unit,
            b.changed || "\u2014",
            button("Restore\u2026", () => restore(b), "secondary",
                   { "aria-label": `Restore backup ${b.number} of ${b.time}` })]);
        replace("backups", card("Backups",
            h("p", {}, "The unit's settings are kept before every write, the newest first."),
            rows.length ? table("Backups", ["Number", "Time", "Unit", "Changed then", ""], rows)
                : h("p", { class: "upsconfig-empty" }, "No backups yet.")));
    } catch (failure) {
        replace("backups", card("Backups", failureAlert(failure)));
    }
}

async function restore(backup) {
    const args = ["restore", String(backup.number)];
    const wrote = await changeFlow(`Restore backup ${backup.number}`, args, args, {
        before: h("p", {}, `Backup ${backup.number} of ${backup.time} brings back these settings:`),
    });
    if (wrote) await reload();
}

// --- The page ------------------------------------------------------------------------------

function header() {
    const usable = state.units.filter((u) => u.opened);
    const chooser = usable.length > 1
        ? h("div", { class: "upsconfig-unit-choice" },
            h("label", { class: "pf-c-form__label", for: "unit-choice" },
              h("span", { class: "pf-c-form__label-text" }, "Unit")),
            h("select", { class: "pf-c-form-control", id: "unit-choice",
                          onchange: (e) => { state.device = e.target.value; reload() } },
              usable.map((u) => h("option", { value: u.path, selected: u.path === state.device },
                                  `${u.model_name || "Model " + u.model_code} ` +
                                  `(${u.serial ? "serial " + u.serial + ", " : ""}${u.path})`))))
        : null;
    return h("section", { class: "pf-c-page__main-section pf-m-light upsconfig-header" },
             h("h1", { class: "pf-c-title pf-m-2xl" }, "UPS"), chooser);
}

function diagnosis(probe, failure) {
    const reasons = (probe && probe.reasons) || [];
    const needsAdmin = probe && probe.verdict === "permission_denied" && state.admin === false;
    const title = probe ? VERDICTS[probe.verdict] || probe.verdict : failure.title;
    return h("section", { class: "pf-c-page__main-section" },
             h("div", { class: "pf-c-card" }, h("div", { class: "pf-c-card__body" },
               h("div", { class: "pf-c-empty-state" },
                 h("div", { class: "pf-c-empty-state__content" },
                   h("h2", { class: "pf-c-title pf-m-lg", id: "diagnosis-title" }, title),
                   needsAdmin ? alert("info", "Administrative access needed", h("p", {},
                       "A unit is there, but your user may not open it. Turn on administrative " +
                       "access with \u201cLimited access\u201d at the top of the console; this " +
                       "page then tries again.")) : null,
                   !probe ? failureAlert(failure) : null,
                   h("div", { class: "pf-c-empty-state__body upsconfig-reasons" },
                     reasons.map((r) => h("div", { class: "upsconfig-reason" },
                                          r.path ? h("p", {}, h("strong", {}, r.path)) : null,
                                          h("p", {}, r.detail),
                                          r.fix ? h("p", {}, h("strong", {}, "Fix: "), r.fix)
                                              : null))),
                   h("div", { class: "pf-c-empty-state__primary" },
                     button("Try again", () => start(), "primary")))))));
}

function layout() {
    const reading = card("Settings", spinner("Reading the settings\u2026"));
    return [header(),
        h("section", { class: "pf-c-page__main-section upsconfig-cards" },
          h("div", { id: "status" }), h("div", { id: "settings" }, reading),
          h("div", { id: "backups" }))];
}

async function reload() {
    replace("app", layout());
    await loadSettings();
    replace("status", statusCard()); // its outlet controls follow the model's pages
    await refreshStatus();
    await loadBackups();
}

// Finds the units; with none usable, shows why and what to do.
async function start() {
    replace("app", h("section", { class: "pf-c-page__main-section" },
                     spinner("Looking for the UPS\u2026")));
    try {
        state.units = (await run(["list", ...deviceArgs()])).interfaces.filter((i) => i.is_unit);
    } catch (failure) {
        state.units = failure.result && failure.result.interfaces
            ? failure.result.interfaces.filter((i) => i.is_unit) : [];
    }
    const usable = state.units.filter((u) => u.opened);
    if (!usable.length) {
        let probe = null;
        let failure = null;
        try {
            probe = await run(["probe", ...deviceArgs()]);
        } catch (f) {
            failure = f;
            probe = f.result && f.result.verdict ? f.result : null;
        }
        if (!probe || probe.verdict !== "reachable") {
            replace("app", header(), diagnosis(probe, failure));
            return;
        }
    }
    if (usable.length > 1 && !usable.some((u) => u.path === state.device))
        state.device = usable[0].path;
    await reload();
}

function poll() {
    if (!cockpit.hidden && !state.busy) refreshStatus();
}

function init() {
    const permission = cockpit.permission({ admin: true });
    const update = () => {
        const changed = state.admin !== null && state.admin !== permission.allowed;
        state.admin = permission.allowed;
        if (changed) start();
    };
    permission.addEventListener("changed", update);
    state.admin = permission.allowed;
    cockpit.addEventListener("visibilitychange", poll);
    window.setInterval(poll, POLL_MS);
    start();
}

init();

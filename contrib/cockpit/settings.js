// The settings card: the model's pages as tabs, a control for every setting with its range and
// help, Apply and Discard over the edits, factory settings, and settings files.

import { run, withFile } from "./cli.js";
import { changeFlow } from "./change.js";
import { alert, button, card, failureAlert, h, replace, spinner, uniqueId } from "./dom.js";
import { deviceArgs, page, state } from "./state.js";

const MAX_FILE_BYTES = 1024 * 1024; // the command line reads no larger settings file

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

export function lockStandbyOnly(online) {
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
    if (wrote) await page.reload();
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
    if (wrote) await page.reload();
}

export async function loadSettings() {
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

// The UPS page of the web console. It knows nothing of the unit itself: everything it shows
// and does goes through upsconfig-cli (cli.js), as a person at a terminal would use it. This
// file finds the unit and lays out the page; its cards are status.js, settings.js and the
// backups below, their writes go through change.js, and their elements come from dom.js.

/* global cockpit */

import { run } from "./cli.js";
import { changeFlow } from "./change.js";
import { alert, button, card, failureAlert, h, replace, spinner, table } from "./dom.js";
import { loadSettings } from "./settings.js";
import { refreshStatus, statusCard } from "./status.js";
import { deviceArgs, page, state } from "./state.js";

const POLL_MS = 5000; // the status while the page is visible

const VERDICTS = {
    reachable: "The unit can be reached",
    no_interface: "No UPS found",
    permission_denied: "The UPS cannot be opened: permission denied",
    busy: "The UPS is in use by another program",
    no_descriptor: "The UPS's report descriptor cannot be read",
    length_refused: "The device does not answer as a UPS of this family",
    held_by_driver: "The UPS is held by another driver",
};

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
    page.reload = reload;
    page.start = start;
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

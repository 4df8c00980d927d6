// Changing settings: a preview (the dry run), a question, the write and its check.

import { run } from "./cli.js";
import { alert, failureAlert, h, openDialog, table } from "./dom.js";
import { deviceArgs, state } from "./state.js";

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
export async function changeFlow(title, preview, write, { before } = {}) {
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
            dialog.onclose = () => resolve(false); // Escape
            dialog.show([...preview, backup], [
                { label: "Apply", variant: "primary", onclick: () => resolve(true) },
                { label: "Cancel", variant: "link", onclick: () => resolve(false) },
            ]);
        });
        dialog.onclose = null;
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

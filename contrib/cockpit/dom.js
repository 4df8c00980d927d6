// The page's elements in PatternFly's markup: made in code, since the page has no framework,
// and dialogs that behave as Cockpit's do.

import { CliFailure } from "./cli.js";
import { state } from "./state.js";

let nextId = 0;
export const uniqueId = (prefix) => `${prefix}-${++nextId}`;

export function h(tag, props, ...children) {
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

export function button(label, onclick, variant = "secondary", props = {}) {
    return h("button", { type: "button", class: `pf-c-button pf-m-${variant}`, onclick, ...props },
             label);
}

export function spinner(text) {
    return h("div", { class: "upsconfig-progress", role: "status" },
             h("span", { class: "pf-c-spinner pf-m-md", role: "progressbar", "aria-label": text }),
             h("span", {}, text));
}

// An inline alert; a failure shows the command line's kind and its message.
export function alert(variant, title, ...body) {
    const live = variant === "danger" ? "alert" : "status";
    return h("div", { class: `pf-c-alert pf-m-inline pf-m-${variant}`, role: live },
             h("p", { class: "pf-c-alert__title" },
               h("span", { class: "pf-screen-reader" }, `${variant} alert:`), title),
             body.length ? h("div", { class: "pf-c-alert__description" }, ...body) : null);
}

export function failureAlert(failure) {
    if (!(failure instanceof CliFailure)) return alert("danger", "Failed", String(failure));
    const hint = failure.kind === "no_permission" && state.admin === false
        ? h("p", {}, "Turn on administrative access with \u201cLimited access\u201d at the top " +
            "of the console to reach the unit.")
        : null;
    return alert("danger", failure.title, h("p", {}, failure.message), hint);
}

export function card(title, ...body) {
    const titleId = uniqueId("card-title");
    return h("section", { class: "pf-c-card", "aria-labelledby": titleId },
             h("div", { class: "pf-c-card__title" },
               h("h2", { class: "pf-c-title pf-m-lg", id: titleId }, title)),
             h("div", { class: "pf-c-card__body" }, ...body));
}

export function table(caption, headers, rows) {
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

export function replace(id, ...content) {
    const element = document.getElementById(id);
    if (element) element.replaceChildren(...content.flat().filter((c) => c));
}

// --- Dialogs -------------------------------------------------------------------------------

// A modal dialog in Cockpit's manner: focus stays inside, Escape closes unless it is busy, the
// focus returns to where it was. onclose, when set, hears of every way it closes, so that a
// question closed with Escape is answered too.
export function openDialog(title, { variant = "md" } = {}) {
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
    let closed = false;
    const dialog = {
        busy: false,
        body,
        onclose: null,
        close() {
            if (closed) return;
            closed = true;
            if (dialog.onclose) dialog.onclose();
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

export function confirm(title, text, action, variant = "danger") {
    return new Promise((resolve) => {
        const dialog = openDialog(title, { variant: "sm" });
        dialog.onclose = () => resolve(false); // Escape, or Cancel
        dialog.show(h("p", {}, text), [
            { label: action, variant, onclick: () => { resolve(true); dialog.close() } },
            { label: "Cancel", variant: "link", onclick: () => dialog.close() },
        ]);
    });
}

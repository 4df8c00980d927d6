// What the page's parts share: the state of the page, the unit it works on, and the page's
// own entry points, which upsconfig.js sets so that its parts can reload or restart the page
// without importing it.

export const state = {
    admin: null, // whether the user has administrative access; null while not known
    units: [],
    device: null, // the chosen unit's path, when there are several
    status: null,
    settings: null, // {describe, show, pages}
    edits: new Map(), // key -> the value as `set` takes it
    invalid: new Set(),
    busy: false, // a write or command runs: the status poll waits
    tab: null,
};

// The command-line options that name the unit the page works on.
export const deviceArgs = () => (state.device ? ["--device", state.device] : []);

export const page = {
    reload: async () => {}, // the whole page read anew from the unit
    start: async () => {}, // the units looked for again, as when the page opens
};

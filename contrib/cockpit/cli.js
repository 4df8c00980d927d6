// upsconfig-cli as the page uses it: every command with --json through Cockpit's bridge, with
// the administrative access the user has turned on, one at a time (two commands at once would
// contend for the unit, and the simulated unit's state file would lose one of them).

/* global cockpit */

const TIMEOUT_MS = 60000; // the slowest command (a write, its wait and read-back) takes ~10 s

// The command line's kinds of failure, as a person reads them.
const TITLES = {
    usage: "Not understood",
    failed: "Not done",
    no_unit: "No unit",
    no_permission: "Unit not opened",
    comm_lost: "Communication lost",
    refused: "Refused",
    verify_failed: "Verification failed",
    missing: "Command line missing",
};

export class CliFailure extends Error {
    constructor(kind, message, result = null) {
        super(message);
        this.kind = kind;
        this.result = result; // the whole JSON answer, when there was one
    }

    get title() {
        return TITLES[this.kind] || "Failed";
    }
}

// What a finished process said: its JSON answer, or a failure that names the reason.
export function settle(output, problem) {
    let answer = null;
    try {
        answer = output.trim() ? JSON.parse(output) : null;
    } catch (e) {
        answer = null;
    }
    if (answer && answer.ok === true && !problem) return answer;
    if (answer && answer.error)
        throw new CliFailure(answer.error.kind, answer.error.message, answer);
    if (problem && problem.problem === "not-found")
        throw new CliFailure("missing", "upsconfig-cli is not installed on this machine: " +
                             "install the package upsconfig-cli.");
    const reason = problem ? problem.message || problem.problem || String(problem) : "";
    throw new CliFailure("failed", "upsconfig-cli gave no answer" + (reason ? ": " + reason : "."));
}

function spawn(args) {
    return new Promise((resolve, reject) => {
        let output = "";
        let timedOut = false;
        const process = cockpit.spawn(["upsconfig-cli", ...args, "--json"],
                                      { superuser: "try", err: "message" });
        const timer = window.setTimeout(() => {
            timedOut = true;
            process.close("timeout");
        }, TIMEOUT_MS);
        const done = (problem) => {
            window.clearTimeout(timer);
            if (timedOut) {
                reject(new CliFailure("failed", `upsconfig-cli ${args[0]} did not answer within ` +
                                      `${TIMEOUT_MS / 1000} s and was stopped.`));
                return;
            }
            try {
                resolve(settle(output, problem));
            } catch (failure) {
                reject(failure);
            }
        };
        process.stream((data) => { output += data });
        process.then(() => done(null), (problem) => done(problem || { problem: "failed" }));
    });
}

let queue = Promise.resolve();

// Runs one command after those before it; resolves with its JSON answer, rejects with a
// CliFailure.
export function run(args) {
    const job = queue.then(() => spawn(args));
    queue = job.catch(() => {});
    return job;
}

// Lends a file of the given text on the machine to use(path), removed afterwards, for the
// commands that read a settings file.
export async function withFile(text, use) {
    const options = { superuser: "try", err: "message" };
    const path = (await cockpit.spawn(["mktemp", "--tmpdir", "upsconfig-upload-XXXXXX.kvr"],
                                      options)).trim();
    try {
        await cockpit.file(path, options).replace(text);
        return await use(path);
    } finally {
        cockpit.spawn(["rm", "-f", path], options).catch(() => {});
    }
}

// What the page makes of a finished upsconfig-cli: its answer, or a failure of the right kind.
import assert from "node:assert/strict";
import { test } from "node:test";

import { CliFailure, settle } from "../cli.js";

const refusal = JSON.stringify({
    ok: false, changes: [],
    error: { exit_code: 6, kind: "refused", message: "refused: needs standby" },
});

test("answers and failures", () => {
    const rows = [
        { name: "an answer", output: '{"ok": true, "online": false}', problem: null,
          answer: { ok: true, online: false } },
        { name: "the command line's failure, with its answer", output: refusal,
          problem: { problem: "internal-error", exit_status: 6 },
          kind: "refused", title: "Refused", message: "refused: needs standby" },
        { name: "no command line on the machine", output: "", problem: { problem: "not-found" },
          kind: "missing", message: /install the package upsconfig-cli/ },
        { name: "output that is no JSON", output: "Segmentation fault",
          problem: { problem: "internal-error", message: "killed" },
          kind: "failed", message: /gave no answer: killed/ },
        { name: "ok in the output but a failed process", output: '{"ok": true}',
          problem: { problem: "terminated" }, kind: "failed", message: /terminated/ },
    ];
    for (const row of rows) {
        if (row.answer) {
            assert.deepEqual(settle(row.output, row.problem), row.answer, row.name);
            continue;
        }
        assert.throws(() => settle(row.output, row.problem), (failure) => {
            assert.ok(failure instanceof CliFailure, row.name);
            assert.equal(failure.kind, row.kind, row.name);
            if (row.title) assert.equal(failure.title, row.title, row.name);
            assert.match(failure.message, row.message instanceof RegExp ? row.message
                : new RegExp(row.message), row.name);
            return true;
        }, row.name);
    }
});

// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The programs the test starts itself (Xvfb, WebKitWebDriver and the MiniBrowser it starts),
// each in a process group of its own, ended with the test however it ends: a run stopped
// half way (Ctrl+C, or its output cut off) leaves no browser or display behind.
"use strict";

const { spawn } = require("child_process");

const groups = new Set();

function killGroup(child, signal) {
  try {
    process.kill(-child.pid, signal);
  } catch (e) { /* gone already */ }
}

// spawn() in a process group of its own, ended when the test ends.
function start(command, args, options) {
  const child = spawn(command, args, { ...options, detached: true });
  groups.add(child);
  child.once("exit", () => groups.delete(child));
  return child;
}

// Ends the child's whole group: asked first, killed when it has not gone in `seconds`.
async function stop(child, seconds = 5) {
  if (child.exitCode !== null || child.signalCode !== null) return;
  const gone = new Promise((resolve) => child.once("exit", resolve));
  killGroup(child, "SIGTERM");
  const timer = setTimeout(() => killGroup(child, "SIGKILL"), seconds * 1000);
  await gone;
  clearTimeout(timer);
  // What the child started may outlive it in its group.
  killGroup(child, "SIGKILL");
  groups.delete(child);
}

process.on("exit", () => { for (const child of groups) killGroup(child, "SIGKILL"); });
for (const signal of ["SIGINT", "SIGTERM", "SIGHUP"]) {
  process.on(signal, () => process.exit(128 + (signal === "SIGINT" ? 2 : signal === "SIGTERM" ? 15 : 1)));
}
// Output cut off (a pipe into head): the run ends, and takes its programs with it.
process.stdout.on("error", () => process.exit(1));

module.exports = { start, stop };

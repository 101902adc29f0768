// Points SANE at a configuration folder that lists only its `test` backend.
#pragma once

// SANE reads its configuration folders once per process: one folder serves every test of the
// run and goes when the process ends.
void UseSaneTestBackendOnly();

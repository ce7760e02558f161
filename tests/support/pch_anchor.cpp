// The one file the tests' precompiled GoogleTest headers are built for.

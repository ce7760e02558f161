// External sync arrives here.

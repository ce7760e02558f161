// The app core arrives with the request queue and the string table.

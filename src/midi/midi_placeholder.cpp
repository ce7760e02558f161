// The port table and the output operation arrive here.

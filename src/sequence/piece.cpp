// The piece model arrives with the reader.

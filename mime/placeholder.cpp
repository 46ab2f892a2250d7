// The MIME layer: charset table, decoders, extraction, renderers, export.

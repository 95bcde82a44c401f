#!/usr/bin/env python3
"""Serves the web page on loopback with the two headers that make it cross-origin
isolated, so that the browser runs the threaded program (flock-mt.js); without them it
runs the single-threaded one.

Usage: python3 tools/serve-web.py [DIR [PORT]]   (build-web, 8000; then open http://127.0.0.1:PORT/)
"""
import functools
import http.server
import sys

ISOLATION_HEADERS = {
    "Cross-Origin-Opener-Policy": "same-origin",
    "Cross-Origin-Embedder-Policy": "require-corp",
}


class IsolatedHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm",
                      ".js": "text/javascript", ".mjs": "text/javascript"}

    def end_headers(self):
        for name, value in ISOLATION_HEADERS.items():
            self.send_header(name, value)
        super().end_headers()


def main(argv):
    folder = argv[1] if len(argv) > 1 else "build-web"
    port = int(argv[2]) if len(argv) > 2 else 8000
    handler = functools.partial(IsolatedHandler, directory=folder)
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        print(f"Serving {folder} at http://127.0.0.1:{server.server_address[1]}/ (cross-origin isolated)", flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main(sys.argv)

#!/usr/bin/python3
"""A throw-away FTP server for the integration tests.

Serves --root on 127.0.0.1 at a free port, for one user with a password and
for anonymous readers, and prints the port on its first line once it accepts
connections. Run it with Debian's /usr/bin/python3, which sees pyftpdlib.

Faults on demand:
  --no-mlsd        the server does not know MLSD, so clients must read LIST.
  --drop-file F    when F exists at the start of a file transfer, F holds a
                   byte count N: that one transfer stops after N bytes and the
                   server drops both the data and the control connection, as
                   a failing network would. F is removed when the drop
                   happens, so it happens once; a transfer that ends before N
                   bytes leaves the order to the next one.
  --log-file F     every download and upload the server begins is appended
                   to F as a line "RETR path" or "STOR path" (the path below
                   --root), so that tests can count the transfers.
"""
import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

class DroppingDTPHandler(DTPHandler):
    drop_file = None

    def _limit(self):
        # Only file transfers carry a file object; listings do not.
        if self.file_obj is None:
            return None
        if not hasattr(self, "_drop_after"):
            self._drop_after = None
            if self.drop_file and os.path.exists(self.drop_file):
                with open(self.drop_file) as order:
                    self._drop_after = int(order.read().strip() or "0")
        return self._drop_after

    def _drop(self):
        if self.drop_file and os.path.exists(self.drop_file):
            os.remove(self.drop_file)
        control = self.cmd_channel
        self.close()
        control.close()

    def send(self, data):
        limit = self._limit()
        if limit is None:
            return super().send(data)
        remaining = limit - self.tot_bytes_sent
        if remaining <= 0:
            self._drop()
            return 0
        return super().send(data[:remaining])

    def handle_read(self):
        limit = self._limit()
        if limit is None:
            return super().handle_read()
        remaining = limit - self.tot_bytes_received
        if remaining <= 0:
            self._drop()
            return
        self.ac_in_buffer_size = min(65536, remaining)
        super().handle_read()
        if self.file_obj is not None and not self.file_obj.closed:
            self.file_obj.flush()
        if self.tot_bytes_received >= limit:
            self._drop()

    handle_read_event = handle_read


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--no-mlsd", action="store_true")
    parser.add_argument("--drop-file")
    parser.add_argument("--log-file")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    authorizer.add_anonymous(args.root, perm="elr")

    root = os.path.realpath(args.root)

    class Handler(FTPHandler):
        def _log_transfer(self, command, path):
            if args.log_file:
                with open(args.log_file, "a") as log:
                    log.write("%s %s\n" % (command, os.path.relpath(path, root)))

        def ftp_RETR(self, file):
            self._log_transfer("RETR", file)
            return super().ftp_RETR(file)

        def ftp_STOR(self, file, mode="w"):
            self._log_transfer("STOR", file)
            return super().ftp_STOR(file, mode)

    Handler.authorizer = authorizer
    Handler.use_sendfile = False
    Handler.passive_ports = None
    Handler.masquerade_address = None
    Handler.banner = "test server ready"
    Handler.auth_failed_timeout = 0.1  # refuse wrong passwords without the usual delay
    DroppingDTPHandler.drop_file = args.drop_file
    Handler.dtp_handler = DroppingDTPHandler
    if args.no_mlsd:
        Handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items()
                              if k not in ("MLSD", "MLST")}

    logging.basicConfig(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(0)

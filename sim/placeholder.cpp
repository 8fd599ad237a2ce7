// engine sources follow
